#pragma once

// libcurl, opened when a watcher first needs it rather than linked: only
// `zelkam-cli watch` posts web hooks, and the library with all it brings
// along (TLS, Kerberos, LDAP and more) cost every other command several
// milliseconds to load at its start, a day's replay among them.

#include <string>

#include <curl/curl.h>

namespace zelkam::watch {

// The functions of libcurl the watcher calls, by the names curl gives them
// without "curl_".
struct CurlLibrary {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_multi_init) multi_init = nullptr;
    decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&curl_multi_poll) multi_poll = nullptr;
    decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&curl_multi_perform) multi_perform = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_easy_strerror) easy_strerror = nullptr;
    decltype(&curl_slist_append) slist_append = nullptr;
    decltype(&curl_slist_free_all) slist_free_all = nullptr;
};

// The library, opened and initialised once for the process; null when the
// system cannot give it (not installed, or too old to have every function
// above), with why set to a line that says so.
const CurlLibrary* curlLibrary(std::string* why = nullptr);

} // namespace zelkam::watch
