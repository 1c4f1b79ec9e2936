// Stands in for a network library that has none of the functions the program needs.
extern "C" int brinkmoor_fake_curl_marker();
extern "C" int brinkmoor_fake_curl_marker() {
  return 4;
}
