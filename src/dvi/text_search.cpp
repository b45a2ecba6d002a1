#include "dvi/text_search.h"

#include <locale.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "dvi/draw_page.h"
#include "dvi/dvi_doc.h"
#include "dvi/interpret_page.h"
#include "platform/paths.h"

namespace quirn {
namespace {

constexpr const char* kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl"};

// The letters of one glyph without building a string.
struct Letters {
    const char* text;
    size_t size;
    char single;
};

Letters LettersOf(uint32_t code) {
    if (code >= 11 && code <= 15) {
        const char* group = kLigatures[code - 11];
        return {group, std::char_traits<char>::length(group), 0};
    }
    return {nullptr, 1, static_cast<char>(code)};
}

unsigned char Fold(unsigned char c, bool matchCase) {
    return matchCase ? c : static_cast<unsigned char>(std::toupper(c));
}

// The index of the last glyph of a match of `text` starting at glyph `first`; -1 when
// the text does not match there.
int MatchAt(const std::vector<GlyphPlacement>& glyphs, int first, const std::string& text,
            bool matchCase) {
    size_t g = static_cast<size_t>(first);
    size_t inGroup = 0;
    for (size_t t = 0; t < text.size(); ++t) {
        if (g >= glyphs.size())
            return -1;
        Letters letters = LettersOf(glyphs[g].code);
        char letter = letters.text ? letters.text[inGroup] : letters.single;
        if (Fold(static_cast<unsigned char>(text[t]), matchCase) !=
            Fold(static_cast<unsigned char>(letter), matchCase))
            return -1;
        if (t + 1 == text.size())
            return static_cast<int>(g);
        if (++inGroup == letters.size) {
            inGroup = 0;
            ++g;
        }
    }
    return -1;
}

CanvasRect MatchHighlight(CDVIDoc& doc, const std::vector<GlyphPlacement>& glyphs, int first,
                          int last) {
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (int i = first; i <= last; ++i) {
        const GlyphPlacement& g = glyphs[static_cast<size_t>(i)];
        CharMetrics m = g.font ? g.font->metrics[g.code & 0xFF] : CharMetrics{};
        left = std::min<int64_t>(left, g.h);
        top = std::min<int64_t>(top, int64_t{g.v} - m.height);
        right = std::max<int64_t>(right, int64_t{g.h} + m.width);
        bottom = std::max<int64_t>(bottom, int64_t{g.v} + m.depth);
    }
    const double s = PixelsPerDviUnit(doc, 1000);
    constexpr int kInflate = 40;
    return {PixelPosition(static_cast<double>(left), s) - kInflate,
            PixelPosition(static_cast<double>(top), s) - kInflate,
            PixelPosition(static_cast<double>(right), s) + kInflate,
            PixelPosition(static_cast<double>(bottom), s) + kInflate};
}

const std::vector<GlyphPlacement>& PlainGlyphs(CDVIDoc& doc, int page) {
    static const std::vector<GlyphPlacement> kNone;
    const PageContent* content = GetPageContent(doc, page, false);
    return content ? content->glyphs : kNone;
}

}  // namespace

std::string GlyphLetters(uint32_t code) {
    Letters letters = LettersOf(code);
    return letters.text ? std::string(letters.text) : std::string(1, letters.single);
}

FindOutcome FindInDVI(CDVIDoc& doc, int currentPage, const std::string& text, bool matchCase,
                      bool down, SearchState& state) {
    FindOutcome outcome;
    const int count = doc.GetPageCount();
    if (count == 0 || text.empty())
        return outcome;
    int page = std::clamp(currentPage, 0, count - 1);
    const std::vector<GlyphPlacement>* glyphs = &PlainGlyphs(doc, page);
    int n = static_cast<int>(glyphs->size());
    int pos = down ? 0 : n - 1;
    if (state.highlighted && state.page == page)
        pos = down ? state.lastGlyph + 1 : state.firstGlyph - 1;
    const int startPage = page;
    const int startPos = pos;
    bool cameAround = false;
    for (;;) {
        for (int i = pos; down ? i < n : i >= 0; i += down ? 1 : -1) {
            if (cameAround && page == startPage && (down ? i >= startPos : i <= startPos))
                return outcome;
            int last = MatchAt(*glyphs, i, text, matchCase);
            if (last >= 0) {
                state.highlighted = true;
                state.page = page;
                state.firstGlyph = i;
                state.lastGlyph = last;
                state.highlight = MatchHighlight(doc, *glyphs, i, last);
                outcome.found = true;
                return outcome;
            }
        }
        if (cameAround && page == startPage)
            return outcome;
        if (down) {
            page = (page + 1) % count;
            outcome.wrappedAtEnd = outcome.wrappedAtEnd || page == 0;
        } else {
            page = (page + count - 1) % count;
            outcome.wrappedAtBeginning = outcome.wrappedAtBeginning || page == count - 1;
        }
        glyphs = &PlainGlyphs(doc, page);
        n = static_cast<int>(glyphs->size());
        pos = down ? 0 : n - 1;
        cameAround = cameAround || page == startPage;
    }
}

int CountPageWords(CDVIDoc& doc, int page, std::string* log, const WordSelection* selection) {
    const char* area = selection ? " selected area of" : "";
    const int32_t count0 = doc.GetPageCount0(page);
    char line[160];
    if (log) {
        std::snprintf(line, sizeof line, "\nCounting words for%s page %i (TeX page %i)\n", area,
                      page + 1, count0);
        *log += line;
    }
    const PageContent* content = GetPageContent(doc, page, true);
    int words = 0;
    int64_t hThreshold = 93622, vThreshold = 655360;
    int64_t prevH = 0, prevV = 0;
    bool inWord = false;
    bool lastWasHyphen = false;
    int64_t endH = 0, endV = 0;  // the reference point of the word's last character
    std::string word;
    auto endWord = [&] {
        inWord = false;
        bool counted = !selection || (endH >= selection->left && endH < selection->right &&
                                      endV >= selection->top && endV < selection->bottom);
        if (!counted)
            return;
        ++words;
        if (log) {
            *log += ' ';
            *log += word;
            *log += ' ';
        }
    };
    if (content) {
        for (const GlyphPlacement& g : content->glyphs) {
            const int64_t dx = int64_t{g.h} - prevH;
            const int64_t dy = int64_t{g.v} - prevV;
            if (inWord) {
                bool hBreak = dx > hThreshold;
                bool vBreak = dy > vThreshold;
                // A hyphen at a line end joins the word with the next line's start.
                if ((hBreak || vBreak) && !(lastWasHyphen && vBreak && !hBreak))
                    endWord();
            }
            const uint32_t code = g.code;
            const bool wordChar =
                (code < 128 && std::isalnum(static_cast<int>(code))) || (code >= 11 && code <= 15);
            if (inWord || wordChar) {
                if (!inWord) {
                    inWord = true;
                    word.clear();
                }
                Letters letters = LettersOf(code);
                if (letters.text)
                    word.append(letters.text, letters.size);
                else
                    word += letters.single;
                lastWasHyphen = code == 45;
                endH = g.h;
                endV = g.v;
            }
            const CharMetrics m = g.font ? g.font->metrics[code & 0xFF] : CharMetrics{};
            prevH = int64_t{g.h} + m.width;
            prevV = g.v;
            if (g.font) {
                vThreshold = g.font->s;
                hThreshold = g.font->s / 7;
            }
        }
    }
    if (inWord)
        endWord();
    if (log) {
        std::snprintf(line, sizeof line, "\nWord count for%s page %i (TeX page %i) = %i\n", area,
                      page + 1, count0, words);
        *log += line;
    }
    return words;
}

WordCountResult CountWords(CDVIDoc& doc, const WordSelection* selection, int selectionPage,
                           const std::string& dateTime) {
    WordCountResult result;
    result.logPath = ReplaceExtension(doc.Path(), "wcl");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(result.logPath.c_str(), "wb"),
                                                         &std::fclose);
    std::string log = "\nWord count for " + doc.Path() + "  " + dateTime + "\n\n";
    if (selection) {
        int words = CountPageWords(doc, selectionPage, &log, selection);
        result.pages.emplace_back(selectionPage, words);
        result.total = words;
    } else {
        for (int page = 0; page < doc.GetPageCount(); ++page) {
            int words = CountPageWords(doc, page, &log, nullptr);
            result.pages.emplace_back(page, words);
            result.total += words;
        }
    }
    result.message = std::string("\n\nTotal word count") +
                     (selection ? "\nfor selected text" : "") + " = " +
                     std::to_string(result.total) + "\n";
    log += result.message;
    if (file) {
        bool written = std::fwrite(log.data(), 1, log.size(), file.get()) == log.size();
        result.logWritten = std::fclose(file.release()) == 0 && written;
    }
    result.message += "\nSee the log " + result.logPath + " for details.";
    return result;
}

std::string LocaleDateTime() {
    char text[256] = "";
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (user) {
        strftime_l(text, sizeof text, "%c", &local, user);
        freelocale(user);
    } else {
        strftime(text, sizeof text, "%c", &local);
    }
    return text;
}

}  // namespace quirn
