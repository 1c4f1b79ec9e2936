brinkmoor_add_test(NAME upload_test SOURCES upload_test.cpp LIBS upload render shell_core)
