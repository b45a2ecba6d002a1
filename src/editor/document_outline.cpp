#include "editor/document_outline.h"

#include <array>
#include <cctype>

namespace quirn {
namespace {

constexpr std::array<std::string_view, 5> kHeadings = {"part", "chapter", "section", "subsection",
                                                       "subsubsection"};

bool IsLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::vector<OutlineItem> Run() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == '%') {
                SkipComment();
            } else if (c == '\\') {
                Command();
            } else {
                ++pos_;
            }
        }
        return std::move(items_);
    }

  private:
    void SkipComment() {
        while (pos_ < text_.size() && text_[pos_] != '\n')
            ++pos_;
    }

    void SkipBlanks() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
            } else if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == '%') {
                SkipComment();
            } else {
                break;
            }
        }
    }

    // A balanced group opened by `open` at pos_, its text without the delimiters with
    // line ends and runs of blanks as single blanks; false (pos_ unchanged) when there
    // is none.
    bool Group(char open, char close, std::string* out) {
        if (pos_ >= text_.size() || text_[pos_] != open)
            return false;
        size_t p = pos_ + 1;
        int depth = 1;
        int lines = 0;
        std::string text;
        while (p < text_.size()) {
            char c = text_[p];
            if (c == '\\' && p + 1 < text_.size()) {
                text += c;
                text += text_[p + 1];
                if (text_[p + 1] == '\n')
                    ++lines;
                p += 2;
                continue;
            }
            if (c == '%') {
                while (p < text_.size() && text_[p] != '\n')
                    ++p;
                continue;
            }
            if (c == open && open == '{') {
                ++depth;
            } else if (c == close && --depth == 0) {
                break;
            }
            if (c == '\n')
                ++lines;
            bool blank = c == '\n' || c == '\t' || c == '\r' || c == ' ';
            if (blank) {
                if (!text.empty() && text.back() != ' ')
                    text += ' ';
            } else {
                text += c;
            }
            ++p;
        }
        if (p >= text_.size())
            return false;  // never closed: not an argument we can show
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        while (!text.empty() && text.front() == ' ')
            text.erase(0, 1);
        if (out)
            *out = std::move(text);
        line_ += lines;
        pos_ = p + 1;
        return true;
    }

    void Add(int level, std::string kind, int line, std::string title) {
        items_.push_back({level, std::move(kind), line, std::move(title)});
    }

    int InnerLevel() const { return heading_ < 0 ? 0 : heading_ + 1; }

    void Command() {
        const int line = line_;
        size_t start = ++pos_;
        while (pos_ < text_.size() && IsLetter(text_[pos_]))
            ++pos_;
        std::string_view name = text_.substr(start, pos_ - start);
        if (name.empty()) {
            // A control symbol such as \% or \\: its character is no comment or command.
            if (pos_ < text_.size() && text_[pos_] != '\n')
                ++pos_;
            return;
        }
        for (size_t level = 0; level < kHeadings.size(); ++level) {
            if (name != kHeadings[level])
                continue;
            if (pos_ < text_.size() && text_[pos_] == '*')
                ++pos_;
            SkipBlanks();
            Group('[', ']', nullptr);
            SkipBlanks();
            std::string title;
            if (Group('{', '}', &title)) {
                heading_ = static_cast<int>(level);
                Add(heading_, std::string(name), line, title);
            }
            return;
        }
        std::string argument;
        if (name == "label") {
            SkipBlanks();
            if (Group('{', '}', &argument))
                Add(InnerLevel(), "label", line, argument);
        } else if (name == "caption") {
            SkipBlanks();
            Group('[', ']', nullptr);
            SkipBlanks();
            if (Group('{', '}', &argument) && !floats_.empty() && !floats_.back().empty())
                Add(InnerLevel(), floats_.back(), line, argument);
        } else if (name == "include") {
            SkipBlanks();
            if (Group('{', '}', &argument))
                Add(InnerLevel(), "include", line, argument);
        } else if (name == "input") {
            SkipBlanks();
            if (Group('{', '}', &argument)) {
                Add(InnerLevel(), "input", line, argument);
            } else {
                // The primitive's form: a file name up to a blank or the line end.
                size_t from = pos_;
                while (pos_ < text_.size() &&
                       !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
                       text_[pos_] != '%' && text_[pos_] != '\\' && text_[pos_] != '}')
                    ++pos_;
                if (pos_ > from)
                    Add(InnerLevel(), "input", line, std::string(text_.substr(from, pos_ - from)));
            }
        } else if (name == "begin") {
            SkipBlanks();
            if (!Group('{', '}', &argument))
                return;
            if (argument == "verbatim" || argument == "verbatim*" || argument == "comment") {
                SkipEnvironment(argument);
                return;
            }
            std::string kind;
            if (argument == "figure" || argument == "figure*")
                kind = "figure";
            else if (argument == "table" || argument == "table*")
                kind = "table";
            floats_.push_back(kind.empty() && !floats_.empty() ? floats_.back() : kind);
        } else if (name == "end") {
            SkipBlanks();
            if (Group('{', '}', &argument) && !floats_.empty())
                floats_.pop_back();
        }
    }

    void SkipEnvironment(const std::string& name) {
        const std::string end = "\\end{" + name + "}";
        size_t at = text_.find(end, pos_);
        size_t stop = at == std::string_view::npos ? text_.size() : at + end.size();
        for (size_t p = pos_; p < stop; ++p) {
            if (text_[p] == '\n')
                ++line_;
        }
        pos_ = stop;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    int heading_ = -1;
    std::vector<std::string> floats_;  // per open environment: "figure", "table" or ""
    std::vector<OutlineItem> items_;
};

}  // namespace

std::vector<OutlineItem> ParseOutline(std::string_view text) {
    return Scanner(text).Run();
}

}  // namespace quirn
