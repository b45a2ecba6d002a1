#include "editor/preamble.h"

#include <regex>

namespace quirn {

namespace {

std::string LineText(const TextBuffer& text, int64_t line) {
    return TextOf(text, text.LineStart(line), text.LineEnd(line));
}

// The offset of `needle` in `line` when no '%' comes before it.
std::optional<size_t> FindUncommented(std::string_view line, std::string_view needle) {
    const size_t at = line.find(needle);
    if (at == std::string_view::npos || line.substr(0, at).find('%') != std::string_view::npos) {
        return std::nullopt;
    }
    return at;
}

}  // namespace

namespace {

std::optional<TextPos> DocumentLine(const TextBuffer& text, const std::regex& expression,
                                    std::string_view command) {
    for (int64_t line = 0; line < text.LineCount(); ++line) {
        const std::string s = LineText(text, line);
        if (s.find(command) == std::string::npos) {
            continue;
        }
        std::smatch m;
        if (std::regex_search(s, m, expression) &&
            s.substr(0, static_cast<size_t>(m.position(0))).find('%') == std::string::npos) {
            return text.LineStart(line);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<TextPos> BeginDocumentLine(const TextBuffer& text) {
    static const std::regex kBegin(R"(\\begin\s*\{\s*document\s*\})");
    return DocumentLine(text, kBegin, "\\begin");
}

std::optional<TextPos> EndDocumentLine(const TextBuffer& text) {
    static const std::regex kEnd(R"(\\end\s*\{\s*document\s*\})");
    return DocumentLine(text, kEnd, "\\end");
}

std::optional<TextPos> FindInPreamble(const TextBuffer& text, std::string_view needle) {
    const std::optional<TextPos> begin = BeginDocumentLine(text);
    if (!begin) {
        return std::nullopt;
    }
    for (int64_t line = 0; text.LineStart(line) < *begin; ++line) {
        if (FindUncommented(LineText(text, line), needle)) {
            return text.LineStart(line);
        }
    }
    return std::nullopt;
}

std::optional<UsePackageLine> FindUsePackage(const TextBuffer& text, std::string_view name) {
    constexpr std::string_view kCommand = "\\usepackage";
    for (int64_t line = 0; line < text.LineCount() && line < kPreambleLineLimit; ++line) {
        std::string s;
        for (char c : LineText(text, line)) {
            if (c != ' ' && c != '\t') {
                s += c;
            }
        }
        if (!s.starts_with(kCommand)) {
            continue;
        }
        size_t at = kCommand.size();
        std::string options;
        if (at < s.size() && s[at] == '[') {
            const size_t close = s.find(']', at);
            if (close == std::string::npos) {
                continue;
            }
            options = s.substr(at + 1, close - at - 1);
            at = close + 1;
        }
        if (at >= s.size() || s[at] != '{') {
            continue;
        }
        const size_t close = s.find('}', at);
        if (close == std::string::npos) {
            continue;
        }
        const std::string list = s.substr(at + 1, close - at - 1);
        size_t from = 0;
        while (from <= list.size()) {
            size_t comma = list.find(',', from);
            if (comma == std::string::npos) {
                comma = list.size();
            }
            if (std::string_view(list).substr(from, comma - from) == name) {
                return UsePackageLine{text.LineStart(line), options};
            }
            from = comma + 1;
        }
    }
    return std::nullopt;
}

void ApplyEdit(TextBuffer& text, TextEdit edit, std::vector<TextEdit>* log, TextPos* caret) {
    const TextPos end = edit.start + static_cast<TextPos>(edit.removed.size());
    text.Replace(edit.start, end, edit.inserted);
    if (caret && *caret > edit.start) {
        // A caret inside the replaced text goes to its end; one after it moves along.
        *caret = *caret >= end ? *caret + static_cast<TextPos>(edit.inserted.size()) -
                                     static_cast<TextPos>(edit.removed.size())
                               : edit.start + static_cast<TextPos>(edit.inserted.size());
    }
    if (log) {
        log->push_back(std::move(edit));
    }
}

void RevertEdits(TextBuffer& text, std::vector<TextEdit>* log) {
    for (auto it = log->rbegin(); it != log->rend(); ++it) {
        text.Replace(it->start, it->start + static_cast<TextPos>(it->inserted.size()), it->removed);
    }
    log->clear();
}

bool InsertBeforeBeginDocument(TextBuffer& text, std::string_view line, std::vector<TextEdit>* log,
                               TextPos* caret) {
    const std::optional<TextPos> begin = BeginDocumentLine(text);
    if (!begin) {
        return false;
    }
    if (!FindInPreamble(text, line)) {
        ApplyEdit(text, TextEdit{*begin, {}, std::string(line) + "\n"}, log, caret);
    }
    return true;
}

GraphicsPathScan ScanGraphicsPath(const TextBuffer& text, GraphicsPathCommand* command) {
    constexpr std::string_view kCommand = "\\graphicspath";
    const std::optional<TextPos> lineStart = FindInPreamble(text, kCommand);
    if (!lineStart) {
        return GraphicsPathScan::None;
    }
    const int64_t first = text.LineFromPosition(*lineStart);
    const std::string firstLine = LineText(text, first);
    command->start = *lineStart + static_cast<TextPos>(firstLine.find(kCommand));
    command->folders.clear();
    int depth = 0;
    std::string folder;
    for (int64_t line = first; line < text.LineCount() && line < first + kPreambleLineLimit;
         ++line) {
        const TextPos base = text.LineStart(line);
        const std::string s = LineText(text, line);
        size_t i = line == first ? static_cast<size_t>(command->start - base) + kCommand.size() : 0;
        for (; i < s.size() && s[i] != '%'; ++i) {
            const char c = s[i];
            if (c == '{') {
                if (++depth > 2) {
                    folder += c;
                }
            } else if (c == '}') {
                if (depth > 2) {
                    folder += c;
                } else if (depth == 2) {
                    command->folders.push_back(folder);
                    folder.clear();
                } else if (depth == 1) {
                    command->end = base + static_cast<TextPos>(i) + 1;
                    return GraphicsPathScan::Found;
                }
                depth = depth > 0 ? depth - 1 : 0;
            } else if (depth >= 2) {
                folder += c;
            }
        }
    }
    return GraphicsPathScan::Unterminated;
}

GraphicsPathResult AddToGraphicsPath(TextBuffer& text, const std::string& folder,
                                     std::vector<TextEdit>* log, TextPos* caret) {
    GraphicsPathCommand command;
    switch (ScanGraphicsPath(text, &command)) {
        case GraphicsPathScan::None:
            return InsertBeforeBeginDocument(text, "\\graphicspath{{" + folder + "}}", log, caret)
                       ? GraphicsPathResult::Added
                       : GraphicsPathResult::NoPreamble;
        case GraphicsPathScan::Unterminated:
            return GraphicsPathResult::Unterminated;
        case GraphicsPathScan::Found:
            break;
    }
    for (const std::string& listed : command.folders) {
        if (listed == folder) {
            return GraphicsPathResult::AlreadyListed;
        }
    }
    std::string replacement = "\\graphicspath{%\n";
    command.folders.push_back(folder);
    for (const std::string& listed : command.folders) {
        replacement += "    {" + listed + "}\n";
    }
    replacement += "}% inserted by Quirn\n";
    // The rewritten command ends its own line, so the line end after the old one goes.
    TextPos end = command.end;
    if (text.CharAt(end) == '\r' && text.CharAt(end + 1) == '\n') {
        end += 2;
    } else if (text.CharAt(end) == '\n' || text.CharAt(end) == '\r') {
        end += 1;
    }
    ApplyEdit(text, TextEdit{command.start, TextOf(text, command.start, end), replacement}, log,
              caret);
    return GraphicsPathResult::Extended;
}

}  // namespace quirn
