#include "typeset/search_trace.h"

#include <strings.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <unordered_map>

#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {

namespace {

bool Readable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

// A trace names the same few dozen files hundreds of times (every \input of a package
// searches again), so each path is opened once per reading.
class ReadableOnce {
  public:
    bool operator()(const std::string& path) {
        auto [it, fresh] = known_.try_emplace(path, false);
        if (fresh)
            it->second = Readable(path);
        return it->second;
    }

  private:
    std::unordered_map<std::string, bool> known_;
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

// The name of the folder that holds `path` ("" for a bare name).
std::string DirectoryNameOf(const std::string& path) {
    return path.find_last_of("/\\") == std::string::npos ? std::string()
                                                         : FileNameOf(DirectoryOf(path));
}

// The source graphic named by the ".src" record beside a converted graphic.
std::string SourceGraphicOf(const std::string& convertedPath) {
    std::ifstream in(ReplaceExtension(convertedPath, "src"));
    std::string line;
    if (!std::getline(in, line))
        return {};
    std::string source(Trim(line));
    if (source.size() >= 2 && !IsAbsolute(source))
        source = "./" + source;
    return source;
}

bool IsSearchResultLine(std::string_view line) {
    return line.starts_with("kdebug:search(") ||
           line.starts_with("kdebug:returning from search(") ||
           line.starts_with("kdebug:returning from generic search(");
}

// The paths in the text after "=>": one path, or several separated by blanks when the
// whole text is not a readable file (a path may hold blanks).
std::vector<std::string> SplitFoundPaths(std::string_view found, ReadableOnce& readable) {
    found = Trim(found);
    if (found.empty())
        return {};
    std::string whole(found);
    if (found.find(' ') == std::string_view::npos || readable(whole))
        return {whole};
    std::vector<std::string> paths;
    while (!found.empty()) {
        std::size_t blank = found.find(' ');
        std::string_view one = found.substr(0, blank);
        if (!one.empty())
            paths.emplace_back(one);
        if (blank == std::string_view::npos)
            break;
        found.remove_prefix(blank + 1);
    }
    return paths;
}

// Reads a trace line by line. With every debugging category on (as PDF runs ask for),
// kpathsea prints the "=>" of a search result, then looks up its own logging variables
// (which writes "kdebug:hash_lookup(...)" and "kdebug:variable: ..." lines right after
// the arrow), and only then the found paths, on a line of their own that begins with
// a blank. Such a result is kept pending until that line comes.
class TraceLineReader {
  public:
    std::vector<std::string> Paths(std::string_view line, ReadableOnce& readable) {
        if (pending_ && !line.starts_with("kdebug:")) {
            // An empty line is a search that found nothing.
            pending_ = false;
            if (line.starts_with(' '))
                return SplitFoundPaths(line, readable);
        }
        if (!IsSearchResultLine(line))
            return {};
        std::size_t arrow = line.find("=>");
        if (arrow == std::string_view::npos)
            return {};
        std::string_view found = Trim(line.substr(arrow + 2));
        // Whatever came before the interruption is left behind: the paths follow later.
        pending_ = found.starts_with("kdebug:");
        if (pending_)
            return {};
        return SplitFoundPaths(found, readable);
    }

  private:
    bool pending_ = false;
};

}  // namespace

std::vector<std::string> TraceLinePaths(std::string_view line) {
    ReadableOnce readable;
    TraceLineReader reader;
    return reader.Paths(line, readable);
}

std::vector<std::string> ReadFileSearchTrace(const std::string& tracePath,
                                             const std::string& runDir, OutputSink& out) {
    std::vector<std::string> used;
    std::ifstream in(tracePath, std::ios::binary);
    if (!in)
        return used;
    std::set<std::string> seen, reported;
    auto add = [&](const std::string& path) {
        if (seen.insert(path).second)
            used.push_back(path);
    };
    bool formatBuild = false;
    ReadableOnce readable;
    TraceLineReader reader;
    std::string line;
    while (std::getline(in, line)) {
        for (const std::string& path : reader.Paths(line, readable)) {
            if (strcasecmp(FileNameOf(path).c_str(), "latex.ltx") == 0)
                formatBuild = true;
            std::string onDisk = AbsolutePath(path, runDir);
            if (readable(onDisk)) {
                add(path);
            } else if (path != "(nil)" && !formatBuild && reported.insert(path).second) {
                out.AppendOutput("TeX reported that it used " + path +
                                 ", but that file doesn't exist.\n");
            }
            if (DirectoryNameOf(path) == "converted_graphics") {
                std::string source = SourceGraphicOf(onDisk);
                if (!source.empty())
                    add(source);
            }
        }
    }
    return used;
}

}  // namespace quirn
