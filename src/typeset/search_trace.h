// The engine's file-search trace: kpathsea, asked with KPATHSEA_DEBUG=32, reports
// every file it found. Reading the trace after a run gives the files the document
// used, which the project keeps as its companions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

class OutputSink;

// Reads the trace file and returns the files the run used, in the order first found,
// each once. Lines that report a search result ("kdebug:search(NAME) =>PATH", or
// "kdebug:returning from search(NAME) => PATH" and its "generic search" form with
// several paths) are used; when kpathsea's own debugging lines interrupt a result
// after its "=>", the paths are taken from the line after them that begins with a
// blank. A reported file that cannot be opened is mentioned in
// `out` ("TeX reported that it used %s, but that file doesn't exist.\n") unless the
// run builds a format (it read latex.ltx). A file in a "converted_graphics" folder
// brings its source graphic along (read from the ".src" record beside it).
// Relative paths are as the engine wrote them, relative to the run's directory
// `runDir`. A missing trace file gives an empty list.
std::vector<std::string> ReadFileSearchTrace(const std::string& tracePath,
                                             const std::string& runDir, OutputSink& out);

// The paths a single trace line reports, or none when the line is not a search
// result. Several blank-separated paths are split only when the whole text is not
// the name of a readable file (a path may hold blanks).
std::vector<std::string> TraceLinePaths(std::string_view line);

}  // namespace quirn
