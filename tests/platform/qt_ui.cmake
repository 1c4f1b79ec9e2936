# The gadget rules, checked against both gadget layers, and the Qt layer's own widgets.
brinkmoor_add_test(NAME platform_ui_contract_test
  SOURCES ui_contract_test.cpp qt_ui_test.cpp
  LIBS platform platform_qt Qt6::Widgets
  ENV "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/qt_lsan.supp")

# Display detection and MainWindow on a real X server that the test starts itself.
# QT_QPA_PLATFORM is cleared so that Qt talks to that server.
brinkmoor_add_test(NAME platform_qt_display_test
  SOURCES qt_display_test.cpp
  LIBS platform_qt shell_core Qt6::Widgets
  ENV "QT_QPA_PLATFORM=" "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/qt_lsan.supp")
