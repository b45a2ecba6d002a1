// Source links through the SyncTeX file an engine writes with -synctex=1 (NAME.synctex.gz
// beside the DVI or PDF output), read with TeX Live's own SyncTeX parser. Points are in
// big points (1/72 inch) from the paper's top-left corner, pages count from 0.
//
// SyncTeX knows the input line of the boxes, glue and kerns of a page but not the
// column. Inverse search finds the column from the clicked word: the word's text is
// looked for in the source line (and, when it is not there, in the lines around it,
// which then becomes the line), and its occurrence is chosen by how many equal words
// before it on the page come from the same line.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quirn {

struct SyncTexPlace {
    std::string file;  // absolute
    int line = 0;      // from 1
    int column = 0;    // from 1; 0 when unknown
};

// A box on a page, big points from the paper's top-left corner.
struct SyncTexBox {
    int page = 0;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    double baseline = 0;
};

// A word of a typeset page (from the PDF's text layer or the DVI's glyphs), in the
// page's reading order.
struct TypesetWord {
    std::string text;  // UTF-8
    double left = 0;   // big points from the paper's top-left corner
    double top = 0;
    double right = 0;
    double bottom = 0;
    bool Contains(double x, double y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

class SyncTexLinks {
  public:
    ~SyncTexLinks();
    SyncTexLinks(const SyncTexLinks&) = delete;
    SyncTexLinks& operator=(const SyncTexLinks&) = delete;

    // The links of `output` (a .dvi or .pdf file); null when it has no SyncTeX file or
    // the file cannot be read.
    static std::unique_ptr<SyncTexLinks> Open(const std::string& output);

    // The source line of a page point, column 0.
    std::optional<SyncTexPlace> Inverse(int page, double x, double y);
    // The same, refined to the word under the point when `words` (the page's words)
    // has one there: the column of that word and, if needed, a neighbouring line.
    std::optional<SyncTexPlace> InverseToWord(int page, double x, double y,
                                              const std::vector<TypesetWord>& words);
    // The boxes that `line` of `source` produced, on the first page that has any.
    std::vector<SyncTexBox> Forward(const std::string& source, int line);

  private:
    struct Impl;
    explicit SyncTexLinks(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The text of a typeset word as it may stand in a source: ligature characters spelled
// out, leading and trailing punctuation and a trailing hyphen dropped. Empty when
// nothing of it is left.
std::string SourceFormOfWord(const std::string& typeset);

// The byte offsets where `word` stands in `line` as a whole word or as the start of
// one (a hyphenated part), in order.
std::vector<size_t> WordOccurrences(const std::string& line, const std::string& word);

}  // namespace quirn
