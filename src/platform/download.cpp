#include "platform/download.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/paths.h"

namespace quirn {
namespace {

size_t WriteToFile(char* data, size_t size, size_t count, void* stream) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(stream));
}

// The download library with its thirty dependencies is loaded on the first download
// only: every start of quirn-cli (one per typeset run) would otherwise pay for it.
struct CurlLibrary {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    bool loaded = false;
};

const CurlLibrary& Curl() {
    static const CurlLibrary library = [] {
        CurlLibrary lib;
        void* handle = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            return lib;
        lib.globalInit =
            reinterpret_cast<decltype(lib.globalInit)>(::dlsym(handle, "curl_global_init"));
        lib.easyInit = reinterpret_cast<decltype(lib.easyInit)>(::dlsym(handle, "curl_easy_init"));
        lib.easySetopt =
            reinterpret_cast<decltype(lib.easySetopt)>(::dlsym(handle, "curl_easy_setopt"));
        lib.easyPerform =
            reinterpret_cast<decltype(lib.easyPerform)>(::dlsym(handle, "curl_easy_perform"));
        lib.easyCleanup =
            reinterpret_cast<decltype(lib.easyCleanup)>(::dlsym(handle, "curl_easy_cleanup"));
        lib.easyStrerror =
            reinterpret_cast<decltype(lib.easyStrerror)>(::dlsym(handle, "curl_easy_strerror"));
        lib.loaded = lib.globalInit && lib.easyInit && lib.easySetopt && lib.easyPerform &&
                     lib.easyCleanup && lib.easyStrerror;
        if (lib.loaded)
            lib.globalInit(CURL_GLOBAL_DEFAULT);
        return lib;
    }();
    return library;
}

}  // namespace

bool IsDownloadAddress(const std::string& text) {
    return text.starts_with("http://") || text.starts_with("https://");
}

std::string DownloadFileName(const std::string& url) {
    std::string rest = url;
    size_t scheme = rest.find("://");
    if (scheme != std::string::npos)
        rest = rest.substr(scheme + 3);
    size_t end = rest.find_first_of("?#");
    if (end != std::string::npos)
        rest.resize(end);
    size_t slash = rest.find('/');
    std::string name = slash == std::string::npos ? std::string() : FileNameOf(rest.substr(slash));
    if (name.empty() || name == "." || name == "..")
        name = "download";
    return ReplaceExtension(name, "zip");
}

bool DownloadFile(const std::string& url, const std::string& target, std::string& error) {
    if (!IsDownloadAddress(url)) {
        error = "not an http:// or https:// address: " + url;
        return false;
    }
    const CurlLibrary& lib = Curl();
    if (!lib.loaded) {
        error = "the download library (libcurl) cannot be loaded";
        return false;
    }
    std::FILE* out = std::fopen(target.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot write " + target;
        return false;
    }
    CURL* curl = lib.easyInit();
    if (curl == nullptr) {
        std::fclose(out);
        ::unlink(target.c_str());
        error = "cannot start a download";
        return false;
    }
    char message[CURL_ERROR_SIZE] = "";
    lib.easySetopt(curl, CURLOPT_URL, url.c_str());
    lib.easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    lib.easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    lib.easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    lib.easySetopt(curl, CURLOPT_MAXREDIRS, 5L);
    lib.easySetopt(curl, CURLOPT_FAILONERROR, 1L);
    lib.easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib.easySetopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    // A server that stops sending for half a minute has failed.
    lib.easySetopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    lib.easySetopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    lib.easySetopt(curl, CURLOPT_ERRORBUFFER, message);
    lib.easySetopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
    lib.easySetopt(curl, CURLOPT_WRITEDATA, out);
    CURLcode code = lib.easyPerform(curl);
    lib.easyCleanup(curl);
    bool closed = std::fclose(out) == 0;
    if (code != CURLE_OK || !closed) {
        error = code != CURLE_OK ? (message[0] != '\0' ? message : lib.easyStrerror(code))
                                 : "cannot write " + target;
        ::unlink(target.c_str());
        return false;
    }
    return true;
}

}  // namespace quirn
