#include "platform/download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/paths.h"

namespace quirn {
namespace {

size_t WriteToFile(char* data, size_t size, size_t count, void* stream) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(stream));
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
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
    GlobalInit();
    std::FILE* out = std::fopen(target.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot write " + target;
        return false;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        std::fclose(out);
        ::unlink(target.c_str());
        error = "cannot start a download";
        return false;
    }
    char message[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    // A server that stops sending for half a minute has failed.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
    CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    bool closed = std::fclose(out) == 0;
    if (code != CURLE_OK || !closed) {
        error = code != CURLE_OK ? (message[0] != '\0' ? message : curl_easy_strerror(code))
                                 : "cannot write " + target;
        ::unlink(target.c_str());
        return false;
    }
    return true;
}

}  // namespace quirn
