// The picker of Insert Reference and Insert Cite without its window: the rows read
// from the document's auxiliary file, the column sorting, the initial choice and what
// confirming inserts.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace quirn {

class OutputSink;
class UserPrompt;

class LabelPicker {
  public:
    enum class Mode { Reference, Citation };
    using Row = std::array<std::string, 4>;  // label, type, page, description

    explicit LabelPicker(Mode mode) : mode_(mode) {}

    // "Select reference" or "Select citation".
    std::string Title() const;
    // The four column headers ("Page" is empty for citations).
    std::array<std::string, 4> Headers() const;
    // The template and its placeholder: "\ref{s:}" / "s:" or "\cite{a}" / "a".
    std::string Template() const;
    std::string Placeholder() const;

    // Dialog start: reads the auxiliary file (a message and false when it cannot be
    // opened), sorts by the first column ascending and selects the row whose label is
    // the trimmed initial name, else the first row.
    bool Start(const std::string& auxPath, const std::string& initialName, UserPrompt& prompt,
               OutputSink& output);
    // A click on a column header: sorts by it, ascending and descending alternately.
    void SortByColumn(int column);

    const std::vector<Row>& Rows() const { return rows_; }
    int Selected() const { return selected_; }
    void Select(int row) { selected_ = row; }
    // The chosen label; empty when the list is empty.
    std::string Choice() const;
    // The template with the placeholder replaced by the choice.
    std::string Insertion() const;

  private:
    void ReadReferences(std::FILE* file);
    void ReadCitations(std::FILE* file, const std::string& auxPath, OutputSink& output);
    void Sort(int column, bool ascending);

    Mode mode_;
    std::vector<Row> rows_;
    int selected_ = -1;
    bool ascending_ = true;
};

// Compares two texts with the collation of the user's locale, ignoring case.
int CompareIgnoringCase(const std::string& a, const std::string& b);

}  // namespace quirn
