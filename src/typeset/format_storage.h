// How built formats are kept on disk. The engine writes its ".fmt" files gzip
// compressed, and every run that loads one inflates it again: for LaTeX that is about
// 18 MB, close to a tenth of a short document's typesetting time. The engine reads an
// uncompressed format just as well, so Quirn inflates a format once, right after it
// was built, and every later run loads it as it is.
#pragma once

#include <string>

namespace quirn {

class OutputSink;

// True when the file starts with the gzip signature.
bool IsCompressedFormat(const std::string& path);

// Replaces a gzip-compressed format by its inflated bytes: they are written beside it
// under a temporary name and moved over it once complete, so a damaged format, a full
// disk or a failed write leaves the compressed file in place. An uncompressed file is
// left alone. False, with the reason in `error`, when the format could not be
// inflated; it then still works, only more slowly.
bool InflateFormatFile(const std::string& path, std::string& error);

// Inflates every compressed "*.fmt" in `directory`; a format that cannot be inflated
// is named in the output window with the reason and kept as it is.
void InflateFormatsIn(const std::string& directory, OutputSink& output);

}  // namespace quirn
