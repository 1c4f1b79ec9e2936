# The end-to-end suite runs the real programs in scratch working folders.

# An updater built for an update server on the loopback interface, so that the real program can
# be run against a test server (the shipped one asks the configured host).
get_target_property(UPDATER_SOURCES updater SOURCES)
add_library(updater_loopback STATIC ${UPDATER_SOURCES})
target_link_libraries(updater_loopback PUBLIC shell_core)
target_compile_definitions(updater_loopback PRIVATE BRINKMOOR_UPDATE_HOST="127.0.0.1:28431")
add_executable(aktualizator_loopback ${PROJECT_SOURCE_DIR}/src/updater/main.cpp)
target_link_libraries(aktualizator_loopback PRIVATE updater_loopback)

brinkmoor_add_test(NAME e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e_test.cpp
  LIBS shell render settings stats)
add_dependencies(e2e_test brinkmoor aktualizator aktualizator_loopback)
target_compile_definitions(e2e_test PRIVATE
  BRINKMOOR_EXAMPLE_DIR="${PROJECT_SOURCE_DIR}/example"
  BRINKMOOR_HAND_OVER_SCRIPT="${PROJECT_SOURCE_DIR}/src/updater/wsad_aktual.sh")
# The FTP and update servers of this suite listen on fixed ports: keep it to itself.
set_tests_properties(e2e_test PROPERTIES RUN_SERIAL TRUE)
