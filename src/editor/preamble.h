// The preamble of a LaTeX main file as the insertion commands see it: the lines before
// the one holding \begin{document}. Finding a line, finding a \usepackage, inserting a
// line before \begin{document}, and adding a folder to \graphicspath.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_buffer.h"

namespace quirn {

// Where a loop over preamble lines gives up looking for \usepackage or the end of a
// \graphicspath.
constexpr int64_t kPreambleLineLimit = 100;

// The start of the line holding \begin{document} (blanks allowed inside, not after a
// '%' on the line), or nothing.
std::optional<TextPos> BeginDocumentLine(const TextBuffer& text);
// The same for \end{document}.
std::optional<TextPos> EndDocumentLine(const TextBuffer& text);

// The start of the first preamble line that holds `needle` with no '%' before it;
// nothing when none does or there is no \begin{document}.
std::optional<TextPos> FindInPreamble(const TextBuffer& text, std::string_view needle);

// A "\usepackage[OPTIONS]{NAMES}" line (blanks removed) among the first 100 lines whose
// package list holds `name`: its line start and the options.
struct UsePackageLine {
    TextPos lineStart = 0;
    std::string options;
};
std::optional<UsePackageLine> FindUsePackage(const TextBuffer& text, std::string_view name);

// One replacement made in the text, kept so that a step that fails later can be taken
// back: [start, start + inserted.size()) now holds `inserted` where `removed` was.
struct TextEdit {
    TextPos start = 0;
    std::string removed;
    std::string inserted;
};

// Applies an edit and records it; positions after the edit in `caret` move with it.
void ApplyEdit(TextBuffer& text, TextEdit edit, std::vector<TextEdit>* log, TextPos* caret);
// Undoes the recorded edits, newest first.
void RevertEdits(TextBuffer& text, std::vector<TextEdit>* log);

// Inserts `line` and a line feed at the start of the \begin{document} line unless the
// preamble already has it. False when there is no \begin{document}.
bool InsertBeforeBeginDocument(TextBuffer& text, std::string_view line, std::vector<TextEdit>* log,
                               TextPos* caret);

// The folders listed by \graphicspath{{a/}{b/}}, read from its first line for at most
// 100 lines ('%' ends a line's reading). `end` is one past the closing brace.
struct GraphicsPathCommand {
    TextPos start = 0;
    TextPos end = 0;
    std::vector<std::string> folders;
};
enum class GraphicsPathScan { None, Found, Unterminated };
GraphicsPathScan ScanGraphicsPath(const TextBuffer& text, GraphicsPathCommand* command);

enum class GraphicsPathResult { Added, AlreadyListed, Extended, Unterminated, NoPreamble };
// Makes \graphicspath list `folder` (given with its final '/'): a new command before
// \begin{document}, or the existing one rewritten one folder a line with the new one
// last.
GraphicsPathResult AddToGraphicsPath(TextBuffer& text, const std::string& folder,
                                     std::vector<TextEdit>* log, TextPos* caret);

}  // namespace quirn
