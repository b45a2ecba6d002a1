#include "typeset/log_analysis.h"

#include <cctype>
#include <charconv>

namespace quirn {

namespace {

// The engine breaks every line it writes to the log after this many characters.
constexpr std::size_t kMaxPrintLine = 79;
// How far an error message's context ("l.NNN ...") may be from its "!" line.
constexpr std::size_t kContextReach = 40;
// An error's help text ends at a blank line, within this many lines.
constexpr std::size_t kHelpReach = 12;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// The number at the start of `s`, or -1.
int LeadingNumber(std::string_view s) {
    int value = -1;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end != s.data() ? value : -1;
}

// The number after the first `marker` in `s`, or -1.
int NumberAfter(std::string_view s, std::string_view marker) {
    std::size_t at = s.find(marker);
    return at == std::string_view::npos ? -1 : LeadingNumber(s.substr(at + marker.size()));
}

// The log's lines with the engine's line breaks undone: a line of exactly the break
// length continues on the next.
std::vector<std::string> LogicalLines(std::string_view log) {
    std::vector<std::string> lines;
    bool continues = false;
    std::size_t begin = 0;
    while (begin < log.size()) {
        std::size_t nl = log.find('\n', begin);
        std::size_t end = nl == std::string_view::npos ? log.size() : nl;
        std::string_view line = log.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (continues) {
            lines.back().append(line);
        } else {
            lines.emplace_back(line);
        }
        continues = line.size() == kMaxPrintLine;
        begin = end + 1;
    }
    return lines;
}

// The file name written after an opening parenthesis: an input file when it looks
// like a path or a name with an extension, otherwise the parenthesis is text.
std::string_view FileNameAfterParen(std::string_view rest) {
    std::size_t n = 0;
    while (n < rest.size()) {
        char c = rest[n];
        if (c == ' ' || c == '\t' || c == '(' || c == ')' || c == '[' || c == '{' || c == '<' ||
            c == '"')
            break;
        ++n;
    }
    std::string_view token = rest.substr(0, n);
    if (token.empty() || IsDigit(token.front()))
        return {};
    if (token.front() == '.' || token.front() == '/' || token.front() == '~')
        return token;
    std::size_t dot = token.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == token.size())
        return {};
    for (char c : token.substr(dot + 1)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return {};
    }
    return token;
}

// Which "(NAME)" prefix marks the continuation lines of a warning or error message
// "Package NAME Warning:", "Class NAME Error:", "LaTeX Font Warning:", "LaTeX Warning:".
std::string ContinuationPrefix(std::string_view message) {
    for (std::string_view lead : {"Package ", "Class ", "Module "}) {
        if (message.starts_with(lead)) {
            std::string_view rest = message.substr(lead.size());
            return "(" + std::string(rest.substr(0, rest.find(' '))) + ")";
        }
    }
    if (message.starts_with("LaTeX Font "))
        return "(Font)";
    if (message.starts_with("LaTeX "))
        return "(LaTeX)";
    return {};
}

bool IsWarningLine(std::string_view line) {
    if (line.starts_with("LaTeX Warning: ") || line.starts_with("LaTeX Font Warning: "))
        return true;
    if (line.starts_with("Package ") || line.starts_with("Class ") || line.starts_with("LaTeX ") ||
        line.starts_with("Module ")) {
        std::size_t colon = line.find(": ");
        std::size_t warning = line.find(" Warning: ");
        return warning != std::string_view::npos && warning + 8 == colon;
    }
    return line.starts_with("pdfTeX warning") || line.starts_with("Missing character: ");
}

bool IsBadBoxLine(std::string_view line) {
    return line.starts_with("Overfull \\hbox") || line.starts_with("Underfull \\hbox") ||
           line.starts_with("Overfull \\vbox") || line.starts_with("Underfull \\vbox");
}

// A message of a file-line-error run, "FILE:LINE: TEXT": the file, the line and where
// the text begins, or a zero line.
struct FileLinePrefix {
    std::string_view file;
    int line = 0;
    std::size_t textAt = 0;
};

FileLinePrefix FileLineMessage(std::string_view line) {
    FileLinePrefix found;
    if (line.empty() || !(line.front() == '.' || line.front() == '/'))
        return found;
    for (std::size_t colon = line.find(':'); colon != std::string_view::npos;
         colon = line.find(':', colon + 1)) {
        std::size_t p = colon + 1;
        while (p < line.size() && IsDigit(line[p]))
            ++p;
        if (p > colon + 1 && p + 1 < line.size() && line[p] == ':' && line[p + 1] == ' ') {
            found.file = line.substr(0, colon);
            found.line = LeadingNumber(line.substr(colon + 1));
            found.textAt = p + 2;
            return found;
        }
    }
    return found;
}

class LogReader {
  public:
    explicit LogReader(std::string_view log) : lines_(LogicalLines(log)) {}

    std::vector<LogEntry> Read() {
        while (at_ < lines_.size()) {
            const std::string& line = lines_[at_];
            if (line.starts_with("! ")) {
                Error(line.substr(2), {}, 0);
            } else if (FileLinePrefix fl = FileLineMessage(line); fl.line > 0) {
                Error(line.substr(fl.textAt), std::string(fl.file), fl.line);
            } else if (IsWarningLine(line)) {
                Warning();
            } else if (IsBadBoxLine(line)) {
                BadBox();
            } else {
                FollowFiles(line);
                ++at_;
            }
        }
        return std::move(entries_);
    }

  private:
    struct Open {
        std::string file;  // empty for a parenthesis that is text
    };

    std::string CurrentFile() const {
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            if (!it->file.empty())
                return it->file;
        }
        return mainFile_;
    }

    static std::string Tidy(std::string_view file) {
        while (file.starts_with("./"))
            file.remove_prefix(2);
        return std::string(file);
    }

    // The files opened and closed on an ordinary line.
    void FollowFiles(std::string_view line) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '(') {
                std::string_view name = FileNameAfterParen(line.substr(i + 1));
                open_.push_back({Tidy(name)});
                if (!name.empty() && mainFile_.empty())
                    mainFile_ = open_.back().file;
                i += name.size();
            } else if (line[i] == ')' && !open_.empty()) {
                open_.pop_back();
            }
        }
    }

    // The message's text with the continuation lines that carry `prefix`.
    std::string WithContinuations(std::string_view first, const std::string& prefix) {
        std::string text(Trim(first));
        ++at_;
        while (!prefix.empty() && at_ < lines_.size() && lines_[at_].starts_with(prefix)) {
            std::string_view more = Trim(std::string_view(lines_[at_]).substr(prefix.size()));
            if (!more.empty()) {
                text += ' ';
                text += more;
            }
            ++at_;
        }
        return text;
    }

    // An error message, its context (up to the "l.NNN" line and the one after it) and
    // its help text: their parentheses are the document's, not the log's files.
    void Error(std::string_view message, std::string file, int line) {
        LogEntry entry;
        entry.kind = LogEntryKind::Error;
        entry.file = file.empty() ? CurrentFile() : Tidy(file);
        entry.text = WithContinuations(message, ContinuationPrefix(message));
        entry.line = line;
        const std::size_t from = at_;
        for (std::size_t i = from; i < lines_.size() && i < from + kContextReach; ++i) {
            std::string_view l = lines_[i];
            if (l.starts_with("! ") || FileLineMessage(l).line > 0)
                break;
            if (l.starts_with("l.") && LeadingNumber(l.substr(2)) > 0) {
                if (entry.line == 0)
                    entry.line = LeadingNumber(l.substr(2));
                at_ = std::min(lines_.size(), i + 2);
                for (std::size_t help = 0; help < kHelpReach && at_ < lines_.size(); ++help) {
                    std::string_view h = lines_[at_];
                    if (h.empty() || h.front() == '(' || h.front() == ')' || h.starts_with("! "))
                        break;
                    ++at_;
                }
                break;
            }
        }
        entry.lastLine = entry.line;
        entries_.push_back(std::move(entry));
    }

    void Warning() {
        std::string_view first = lines_[at_];
        LogEntry entry;
        entry.kind = LogEntryKind::Warning;
        entry.file = CurrentFile();
        entry.text = WithContinuations(first, ContinuationPrefix(first));
        entry.line = std::max(0, NumberAfter(entry.text, "on input line "));
        entry.lastLine = entry.line;
        entries_.push_back(std::move(entry));
    }

    // A bad box and the box the engine shows after it, which ends at a blank line.
    void BadBox() {
        std::string_view text = lines_[at_];
        LogEntry entry;
        entry.kind = LogEntryKind::BadBox;
        entry.file = CurrentFile();
        entry.text = std::string(Trim(text));
        int first = NumberAfter(text, " at lines ");
        if (first > 0) {
            entry.line = first;
            std::size_t dash = text.find("--", text.find(" at lines "));
            int last = dash == std::string_view::npos ? -1 : LeadingNumber(text.substr(dash + 2));
            entry.lastLine = last >= first ? last : first;
        } else {
            entry.line = std::max(0, NumberAfter(text, " at line "));
            entry.lastLine = entry.line;
        }
        entries_.push_back(std::move(entry));
        ++at_;
        while (at_ < lines_.size() && !lines_[at_].empty() && !IsBadBoxLine(lines_[at_]))
            ++at_;
    }

    std::vector<std::string> lines_;
    std::size_t at_ = 0;
    std::vector<Open> open_;
    std::string mainFile_;
    std::vector<LogEntry> entries_;
};

}  // namespace

const char* LogEntryKindName(LogEntryKind kind) {
    switch (kind) {
        case LogEntryKind::Error:
            return "error";
        case LogEntryKind::Warning:
            return "warning";
        case LogEntryKind::BadBox:
            return "badbox";
    }
    return "error";
}

std::vector<LogEntry> AnalyseLog(std::string_view log) {
    return LogReader(log).Read();
}

std::string FormatLogEntry(const LogEntry& entry) {
    std::string line = LogEntryKindName(entry.kind);
    line += ": ";
    if (!entry.file.empty()) {
        line += entry.file;
        if (entry.line > 0)
            line += ":" + std::to_string(entry.line);
        line += ": ";
    }
    line += entry.text;
    return line;
}

}  // namespace quirn
