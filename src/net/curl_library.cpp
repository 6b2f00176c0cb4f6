#include "net/curl_library.h"

#include <dlfcn.h>

#include <array>
#include <mutex>

#include "platform/debug_trace.h"

namespace kx58 {
namespace {

// The OpenSSL build first (the one the headers come from), then Debian's GnuTLS build: both
// keep the same interface.
constexpr std::array<const char*, 2> kSonames = {"libcurl.so.4", "libcurl-gnutls.so.4"};

void* OpenAnyBuild() {
    for (const char* soname : kSonames)
        if (void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL)) return handle;
    return nullptr;
}

template <class Function>
bool Resolve(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

bool ResolveAll(void* handle, CurlLibrary& lib) {
    return Resolve(handle, "curl_global_init", lib.globalInit) && Resolve(handle, "curl_easy_init", lib.easyInit) &&
           Resolve(handle, "curl_easy_setopt", lib.easySetopt) &&
           Resolve(handle, "curl_easy_perform", lib.easyPerform) &&
           Resolve(handle, "curl_easy_cleanup", lib.easyCleanup) &&
           Resolve(handle, "curl_easy_strerror", lib.easyStrerror) &&
           Resolve(handle, "curl_slist_append", lib.slistAppend) &&
           Resolve(handle, "curl_slist_free_all", lib.slistFreeAll);
}

// Kept open for the rest of the process: libcurl's TLS back end is not made to be unloaded.
const CurlLibrary* Open() {
    static CurlLibrary lib;
    void* handle = OpenAnyBuild();
    if (!handle) {
        DebugTraceF("net: libcurl cannot be opened (%s): requests fail", dlerror());
        return nullptr;
    }
    if (!ResolveAll(handle, lib)) {
        DebugTrace("net: libcurl lacks a function this program calls: requests fail");
        return nullptr;
    }
    if (lib.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        DebugTrace("net: libcurl does not initialise: requests fail");
        return nullptr;
    }
    return &lib;
}

}  // namespace

const CurlLibrary* Curl() {
    static std::once_flag once;
    static const CurlLibrary* lib = nullptr;
    std::call_once(once, [] { lib = Open(); });
    return lib;
}

}  // namespace kx58
