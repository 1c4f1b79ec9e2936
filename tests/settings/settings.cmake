# The settings file "ust.txt".
brinkmoor_add_test(NAME settings_file_test SOURCES settings_test.cpp LIBS settings shell_core)
