# The picture codecs and the Canvas.
brinkmoor_add_test(NAME canvas_codecs_test SOURCES canvas_codecs_test.cpp LIBS platform)
brinkmoor_add_test(NAME canvas_test SOURCES canvas_test.cpp LIBS render shell_core)
