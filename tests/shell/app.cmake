# The main program's top level: command line, start-up order, event loop, shut_down, and the
# real program started without a display.
brinkmoor_add_test(NAME shell_app_test SOURCES app_test.cpp LIBS shell)
brinkmoor_add_test(NAME shell_program_test SOURCES program_test.cpp LIBS shell)
add_dependencies(shell_program_test brinkmoor)
