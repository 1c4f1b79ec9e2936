# The network library is loaded by the first transfer only, and its absence makes transfers fail
# like any network failure.
brinkmoor_add_test(NAME platform_network_loading_test
  SOURCES network_loading_test.cpp
  LIBS platform)
target_include_directories(platform_network_loading_test PRIVATE
  $<TARGET_PROPERTY:CURL::libcurl,INTERFACE_INCLUDE_DIRECTORIES>)

# A library under the network library's name that lacks all its functions (as a broken or
# foreign install would), found first through the library path.
add_library(platform_fake_curl SHARED fake_curl.cpp)
set_target_properties(platform_fake_curl PROPERTIES
  OUTPUT_NAME curl SOVERSION 4
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fake_curl)
brinkmoor_add_test(NAME platform_network_without_library_test
  SOURCES network_without_library_test.cpp
  LIBS platform
  ENV "LD_LIBRARY_PATH=${CMAKE_CURRENT_BINARY_DIR}/fake_curl")
target_include_directories(platform_network_without_library_test PRIVATE
  $<TARGET_PROPERTY:CURL::libcurl,INTERFACE_INCLUDE_DIRECTORIES>)
add_dependencies(platform_network_without_library_test platform_fake_curl)
