#include "watch/curl_library.h"

#include <dlfcn.h>

#include <type_traits>

namespace zelkam::watch {
namespace {

struct Opened {
    CurlLibrary library;
    bool ok = false;
    std::string why;
};

Opened openLibrary()
{
    Opened opened;
    // The name the runtime package installs: the development package's
    // unversioned link may be missing where zelkam is only installed.
    void* handle = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        opened.why = "web hooks need libcurl (libcurl.so.4), which cannot be loaded";
        return opened;
    }
    bool complete = true;
    const auto take = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(handle, name));
        complete = complete && function != nullptr;
    };
    CurlLibrary& l = opened.library;
    take(l.global_init, "curl_global_init");
    take(l.multi_init, "curl_multi_init");
    take(l.multi_cleanup, "curl_multi_cleanup");
    take(l.multi_poll, "curl_multi_poll");
    take(l.multi_add_handle, "curl_multi_add_handle");
    take(l.multi_remove_handle, "curl_multi_remove_handle");
    take(l.multi_perform, "curl_multi_perform");
    take(l.multi_info_read, "curl_multi_info_read");
    take(l.easy_init, "curl_easy_init");
    take(l.easy_cleanup, "curl_easy_cleanup");
    take(l.easy_setopt, "curl_easy_setopt");
    take(l.easy_getinfo, "curl_easy_getinfo");
    take(l.easy_strerror, "curl_easy_strerror");
    take(l.slist_append, "curl_slist_append");
    take(l.slist_free_all, "curl_slist_free_all");
    if (!complete) {
        // Kept open: nothing here is called, and a library loaded once
        // stays for the process anyway.
        opened.why = "web hooks need libcurl 7.66 or later, and the libcurl.so.4 found is older";
        return opened;
    }
    // Once for the process, before any thread of ours uses it.
    if (l.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        opened.why = "libcurl could not be initialised";
        return opened;
    }
    opened.ok = true;
    return opened;
}

} // namespace

const CurlLibrary* curlLibrary(std::string* why)
{
    static const Opened opened = openLibrary();
    if (!opened.ok && why)
        *why = opened.why;
    return opened.ok ? &opened.library : nullptr;
}

} // namespace zelkam::watch
