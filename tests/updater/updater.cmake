# The updater's logic and window against a loopback update server, and the hand-over script run
# for real in scratch folders.
brinkmoor_add_test(NAME updater_test
  SOURCES updater_test.cpp hand_over_test.cpp updater_test_support.cpp
  LIBS updater)
add_dependencies(updater_test hand_over_script)

# The built program itself, started without any display.
brinkmoor_add_test(NAME updater_program_test SOURCES updater_program_test.cpp LIBS platform)
add_dependencies(updater_program_test aktualizator)
