# The background list filled from the graphics folder.
brinkmoor_add_test(NAME background_list_test SOURCES background_list_test.cpp LIBS settings shell_core)
