# Player statistics: marker extraction, cache rules, the two page scrapers, the fetch against a
# loopback server, and the HTTP download underneath it.
brinkmoor_add_test(NAME stats_parse_test
  SOURCES extract_between_test.cpp cache_rules_test.cpp bloodwars_parser_test.cpp
          sc2_parser_test.cpp garbage_page_test.cpp
  LIBS stats)
brinkmoor_add_test(NAME stats_fetch_test SOURCES fetch_stats_test.cpp LIBS stats)
brinkmoor_add_test(NAME http_download_test SOURCES http_download_test.cpp LIBS platform)
