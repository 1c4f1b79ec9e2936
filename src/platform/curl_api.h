#pragma once
// libcurl, loaded on the first transfer rather than linked: most runs never transfer anything,
// and linking it (with its TLS and protocol libraries) costs every run at start-up.
//
// The header is used for its types and constants only. It defines curl_easy_setopt and
// curl_easy_getinfo as type-checking macros that call the linked functions, so the functions
// are called through differently named members of the table below instead.
#include <curl/curl.h>

namespace brinkmoor {

struct CurlApi {
  CURLcode (*global_init)(long flags);
  void (*global_cleanup)();
  CURL* (*easy_init)();
  // Variadic like the library's own: option values must have the type the option takes (long,
  // curl_off_t, a pointer), since nothing checks them here.
  CURLcode (*easy_setopt)(CURL* handle, CURLoption option, ...);
  CURLcode (*easy_perform)(CURL* handle);
  CURLcode (*easy_getinfo)(CURL* handle, CURLINFO info, ...);
  void (*easy_cleanup)(CURL* handle);
  curl_slist* (*slist_append)(curl_slist* list, const char* text);
  void (*slist_free_all)(curl_slist* list);
  CURLU* (*url)();
  CURLUcode (*url_set)(CURLU* url, CURLUPart part, const char* content, unsigned int flags);
  void (*url_cleanup)(CURLU* url);
};

// The library, loaded and globally initialised on the first call; nullptr when it cannot be
// loaded, lacks a function, or does not initialise. A transfer then fails like any network
// failure. Once loaded the library stays loaded for the rest of the process.
const CurlApi* curl_api();

// True once the library has been loaded (whether or not it is initialised right now).
bool curl_api_loaded();

// Undoes the global initialisation if there was one; the next curl_api() call initialises
// again. Does not load anything.
void curl_api_release();

}  // namespace brinkmoor
