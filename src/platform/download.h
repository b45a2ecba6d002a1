// Fetches one address over HTTP or HTTPS into a file. An HTTP status of 400 or more, a
// refused or broken connection and a transfer that ends early are all failures; the
// target file is then removed, so a failed download never leaves a partial file.
#pragma once

#include <string>

namespace quirn {

// Downloads `url` ("http://..." or "https://...") into `target`. False with `error`
// set on failure (any other scheme is refused).
bool DownloadFile(const std::string& url, const std::string& target, std::string& error);

// True for an address DownloadFile takes.
bool IsDownloadAddress(const std::string& text);

// The file name a download of `url` is stored under: the address's last path
// component without query, with the extension "zip" when it has none ("jit.zip" for
// "http://host/v6/jit.zip", "pkg.zip" for "http://host/get/pkg").
std::string DownloadFileName(const std::string& url);

}  // namespace quirn
