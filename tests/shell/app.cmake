# The main program's top level: command line, start-up order, event loop, shut_down, and the
# real program started without a display.
brinkmoor_add_test(NAME shell_app_test SOURCES app_test.cpp LIBS shell)
brinkmoor_add_test(NAME shell_program_test SOURCES program_test.cpp LIBS shell)
add_dependencies(shell_program_test brinkmoor)

# The same run over the Qt gadget layer, on Qt's offscreen platform.
if(TARGET platform_qt)
  brinkmoor_add_test(NAME shell_app_qt_test SOURCES app_qt_test.cpp LIBS shell platform_qt Qt6::Widgets
    ENV "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/platform/qt_lsan.supp")
endif()
