# Fonts, text runs and the signature script interpreter.
brinkmoor_add_test(NAME text_font_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_font_test.cpp
  LIBS platform Freetype::Freetype)
brinkmoor_add_test(NAME text_run_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_run_test.cpp
  LIBS render stats)
brinkmoor_add_test(NAME script_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_test.cpp
  LIBS render stats)
