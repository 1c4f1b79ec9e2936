# The cache file of resolved fonts. The cache folder of the test's own runs is a scratch folder
# in the build tree, never the user's.
brinkmoor_add_test(NAME font_cache_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_cache_test.cpp
  LIBS platform ENV XDG_CACHE_HOME=${CMAKE_CURRENT_BINARY_DIR}/font_cache_home)
