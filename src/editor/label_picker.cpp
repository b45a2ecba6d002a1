#include "editor/label_picker.h"

#include <locale.h>
#include <strings.h>
#include <wctype.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <regex>

#include "platform/output_sink.h"
#include "platform/user_prompt.h"

namespace quirn {
namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// One line of at most 1023 bytes without its line end; false at the end of the file.
bool ReadLine(std::FILE* f, std::string& line) {
    char buffer[1024];
    if (!std::fgets(buffer, sizeof buffer, f))
        return false;
    line.assign(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

// The reference text as the list shows it: braces become blanks, "\ignorespaces " goes,
// and so does a command at its start.
std::string CleanReferenceText(std::string text) {
    std::replace(text.begin(), text.end(), '{', ' ');
    std::replace(text.begin(), text.end(), '}', ' ');
    const std::string ignore = "\\ignorespaces ";
    for (size_t at = text.find(ignore); at != std::string::npos; at = text.find(ignore, at))
        text.erase(at, ignore.size());
    static const std::regex leading(R"(^(\\[\w]*\s*))");
    return std::regex_replace(text, leading, "", std::regex_constants::format_first_only);
}

std::string RightAligned(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

struct LocaleDeleter {
    void operator()(locale_t l) const { freelocale(l); }
};

std::wstring Widened(const std::string& text, locale_t locale) {
    std::wstring wide;
    std::mbstate_t state{};
    const char* p = text.data();
    const char* end = p + text.size();
    locale_t old = uselocale(locale);
    while (p < end) {
        wchar_t c = 0;
        size_t n = std::mbrtowc(&c, p, static_cast<size_t>(end - p), &state);
        if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
            c = static_cast<unsigned char>(*p);
            n = 1;
            state = {};
        } else if (n == 0) {
            n = 1;
        }
        wide += static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale));
        p += n;
    }
    uselocale(old);
    return wide;
}

}  // namespace

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    static const std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleDeleter> user = [] {
        locale_t l = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
        if (!l)
            l = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
        return std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleDeleter>(l);
    }();
    int c = wcscoll_l(Widened(a, user.get()).c_str(), Widened(b, user.get()).c_str(), user.get());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string LabelPicker::Title() const {
    return mode_ == Mode::Reference ? "Select reference" : "Select citation";
}

std::array<std::string, 4> LabelPicker::Headers() const {
    return {"Label", "Type", mode_ == Mode::Reference ? "Page" : "", "Description"};
}

std::string LabelPicker::Template() const {
    return mode_ == Mode::Reference ? "\\ref{s:}" : "\\cite{a}";
}

std::string LabelPicker::Placeholder() const {
    return mode_ == Mode::Reference ? "s:" : "a";
}

bool LabelPicker::Start(const std::string& auxPath, const std::string& initialName,
                        UserPrompt& prompt, OutputSink& output) {
    rows_.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(auxPath.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        prompt.ShowMessage("Cannot open file " + auxPath +
                           "\n\nTypeset the LaTeX file again to create this.");
        return false;
    }
    if (mode_ == Mode::Reference)
        ReadReferences(file.get());
    else
        ReadCitations(file.get(), auxPath, output);
    ascending_ = true;
    Sort(0, true);
    const std::string name = Trim(initialName);
    selected_ = rows_.empty() ? -1 : 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (strcasecmp(rows_[i][0].c_str(), name.c_str()) == 0) {
            selected_ = static_cast<int>(i);
            break;
        }
    }
    return true;
}

void LabelPicker::ReadReferences(std::FILE* file) {
    static const std::regex pattern(R"(\\newlabel\s*\{([^}]*)\}\{\{([^}]*)\}\{([^}]*)\})");
    std::string line;
    while (ReadLine(file, line)) {
        if (line.find("\\newlabel") == std::string::npos)
            continue;
        std::smatch m;
        if (!std::regex_search(line, m, pattern))
            continue;
        std::string label = Trim(m[1].str());
        if (label.find("tocindent") != std::string::npos)
            continue;
        rows_.push_back(
            {label, "", RightAligned(Trim(m[3].str()), 6), CleanReferenceText(m[2].str())});
    }
}

void LabelPicker::ReadCitations(std::FILE* file, const std::string& auxPath, OutputSink& output) {
    static const std::regex pattern(R"(\\bibcite\s*\{([^}]*)\}\s*\{([^}]*)\})");
    std::string line;
    while (ReadLine(file, line)) {
        if (line.find("\\bibcite") == std::string::npos)
            continue;
        std::smatch m;
        if (!std::regex_search(line, m, pattern)) {
            output.AppendOutput("Invalid line: \"" + line + "\" while scanning " + auxPath + "\n");
            continue;
        }
        rows_.push_back({Trim(m[1].str()), "biblio", "", "Ref# " + m[2].str()});
    }
}

void LabelPicker::Sort(int column, bool ascending) {
    if (column < 0 || column > 3)
        return;
    const size_t c = static_cast<size_t>(column);
    auto key = [](const std::string& text) {
        return Trim(text).empty() ? std::string("ZZZZ") : text;
    };
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int r = CompareIgnoringCase(key(rows_[a][c]), key(rows_[b][c]));
        return ascending ? r < 0 : r > 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    int newSelected = selected_;
    for (size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == selected_)
            newSelected = static_cast<int>(i);
        sorted.push_back(std::move(rows_[order[i]]));
    }
    rows_ = std::move(sorted);
    selected_ = newSelected;
}

void LabelPicker::SortByColumn(int column) {
    Sort(column, ascending_);
    ascending_ = !ascending_;
}

std::string LabelPicker::Choice() const {
    if (selected_ < 0 || selected_ >= static_cast<int>(rows_.size()))
        return {};
    return rows_[static_cast<size_t>(selected_)][0];
}

std::string LabelPicker::Insertion() const {
    std::string text = Template();
    std::string placeholder = Placeholder();
    size_t at = text.find(placeholder);
    if (at != std::string::npos)
        text.replace(at, placeholder.size(), Choice());
    return text;
}

}  // namespace quirn
