#pragma once
// libcurl, opened on the first request instead of at the program's start: it brings some
// forty libraries (TLS, Kerberos, LDAP, SSH, ...), several megabytes resident and part of the
// start-up time, for an update check that runs only when the settings window asks for one.
#include <curl/curl.h>

namespace kx58 {

struct CurlLibrary {
    decltype(&curl_global_init) globalInit;
    decltype(&curl_easy_init) easyInit;
    decltype(&curl_easy_setopt) easySetopt;
    decltype(&curl_easy_perform) easyPerform;
    decltype(&curl_easy_cleanup) easyCleanup;
    decltype(&curl_easy_strerror) easyStrerror;
    decltype(&curl_slist_append) slistAppend;
    decltype(&curl_slist_free_all) slistFreeAll;
};

// The library, opened and initialised once on first use; null when it is not installed or
// does not initialise (traced once).
const CurlLibrary* Curl();

}  // namespace kx58
