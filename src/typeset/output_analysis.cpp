#include "typeset/output_analysis.h"

#include <cstdio>
#include <regex>

namespace quirn {

namespace {

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool Contains(std::string_view line, std::string_view what) {
    return line.find(what) != std::string_view::npos;
}

// The engine's prompts for another input file name. The engine writes them with a
// trailing blank and leaves the line open; the comparison ignores trailing blanks.
bool IsFileNamePrompt(std::string_view lastLine) {
    std::string_view t = TrimRight(lastLine);
    return t == "Enter file name:" || t == "Please type another input file name:";
}

// The error prompt "? " (TeX's terminal prompt after an error message).
bool IsErrorPrompt(std::string_view lastLine) {
    return TrimRight(lastLine) == "?";
}

// The name between the first grave accent and the last apostrophe of a line that
// reports a missing file, or an empty text.
std::string MissingFileName(const std::vector<std::string_view>& lines) {
    for (std::string_view line : lines) {
        bool latexForm = Contains(line, "File `") && Contains(line, "' not found");
        bool texForm = Contains(line, "I can't find file `") && Contains(line, "'.");
        if (!latexForm && !texForm)
            continue;
        std::size_t open = line.find('`');
        std::size_t close = line.rfind('\'');
        if (open != std::string_view::npos && close != std::string_view::npos && open < close) {
            return std::string(line.substr(open + 1, close - open - 1));
        }
    }
    return {};
}

std::string MissingFontName(const std::vector<std::string_view>& lines) {
    static const std::regex font("! Font [^ ]+=([^ ]+) .* not loadable");
    for (std::string_view line : lines) {
        std::match_results<std::string_view::const_iterator> m;
        if (std::regex_search(line.begin(), line.end(), m, font)) {
            return m[1].str() + ".tfm";
        }
    }
    return {};
}

}  // namespace

std::vector<std::string_view> LastLines(std::string_view text, std::size_t count) {
    std::vector<std::string_view> lines;
    std::size_t end = text.size();
    while (lines.size() < count) {
        std::size_t nl = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
        std::size_t begin = nl == std::string_view::npos ? 0 : nl + 1;
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (nl == std::string_view::npos)
            break;
        end = nl;
    }
    return lines;
}

InteractiveStop RecognizeInteractiveStop(std::string_view outputText) {
    std::vector<std::string_view> lines = LastLines(outputText, 10);
    std::string_view last = lines.empty() ? std::string_view() : lines.front();
    InteractiveStop stop;
    if (IsFileNamePrompt(last)) {
        stop.missingName = MissingFileName(lines);
        if (!stop.missingName.empty())
            stop.kind = StopKind::MissingFile;
        return stop;
    }
    if (!IsErrorPrompt(last))
        return stop;
    stop.missingName = MissingFontName(lines);
    if (!stop.missingName.empty()) {
        stop.kind = StopKind::MissingFont;
        return stop;
    }
    for (std::string_view line : lines) {
        if (Contains(line, "! LaTeX source files more than")) {
            stop.kind = StopKind::OldFormatNotice;
            return stop;
        }
    }
    stop.kind = StopKind::ErrorStop;
    return stop;
}

std::optional<ErrorPosition> FindErrorPosition(std::string_view outputText) {
    for (std::string_view line : LastLines(outputText, 20)) {
        std::string copy(line);
        int number = 0;
        int rest = -1;
        if (std::sscanf(copy.c_str(), "*** ERROR Line %d in %n", &number, &rest) != 1 || rest < 0) {
            continue;
        }
        std::string_view file = TrimRight(std::string_view(copy).substr(rest));
        if (file.empty())
            continue;
        return ErrorPosition{std::string(file), number};
    }
    return std::nullopt;
}

int FindErrorMarkerLine(std::string_view outputText) {
    std::vector<std::string_view> lines = LastLines(outputText, 40);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i].front() == '!')
            return static_cast<int>(i);
    }
    return -1;
}

bool ReportsNoPagesOfOutput(std::string_view outputText) {
    for (std::string_view line : LastLines(outputText, 10)) {
        if (Contains(line, "No pages of output"))
            return true;
    }
    return false;
}

}  // namespace quirn
