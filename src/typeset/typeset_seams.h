// What a typeset run hands over to the rest of the application: projects, the checks
// before a run, the missing-file resolution, the editor, the viewers and the output
// window. The window application and the headless command each implement what they
// have; every default does the least that keeps a run correct.
#pragma once

#include <string>
#include <vector>

namespace quirn {

class TypesetSeams {
  public:
    virtual ~TypesetSeams() = default;

    // --- projects ---
    // The file an interactive run typesets for `file` (the active document): the main
    // file of its project. Empty when the document belongs to no project, which
    // refuses the run. Default: a file without a project is its own main file.
    virtual std::string MainFileFor(const std::string& file) { return file; }
    // After a normal run: the files the engine used, for the project holding the
    // main file.
    virtual void RefreshFilesAfterTypeset(const std::string& /*mainFile*/,
                                          const std::vector<std::string>& /*usedFiles*/) {}

    // --- before a run ---
    // Stale auxiliary file and babel languages; false refuses the run.
    virtual bool PreTypesetChecks(const std::string& /*file*/) { return true; }
    // Converted graphics brought up to date for the run's mode.
    virtual void ConvertGraphics(const std::string& /*file*/, bool /*pdfMode*/) {}
    // Saves every modified document as part of a typeset run; false when saving
    // failed or the user cancelled, which refuses the run.
    virtual bool SaveAllModified() { return true; }
    // The text of the active TeX document (empty when there is none).
    virtual std::string ActiveTeXDocumentText() { return {}; }
    // True when the source document was changed in the editor while the engine ran.
    virtual bool SourceModifiedDuringRun(const std::string& /*source*/) { return false; }

    // --- missing files ---
    // Looks the file up and installs the package that holds it (trying local archives
    // first, asking the user); true when the package was installed.
    virtual bool ResolveMissingFile(const std::string& /*name*/) { return false; }

    // --- editor ---
    // Opens the TeX document `file` (absolute) and shows `line` (1-based); the editor
    // then gets the focus.
    virtual void GoToLine(const std::string& /*file*/, int /*line*/) {}

    // --- viewers ---
    virtual bool IsDocumentOpen(const std::string& /*path*/) { return false; }
    // Opens a DVI output through the document type of its extension.
    virtual void OpenDocumentFile(const std::string& /*path*/) {}
    // Reloads an already open DVI document in place.
    virtual void ReloadDocument(const std::string& /*path*/) {}
    // Makes every viewer of the program let go of the PDF file (before a PDF run).
    virtual void ReleasePdf(const std::string& /*path*/) {}
    // Shows a PDF output in the PDF viewer.
    virtual void OpenPdf(const std::string& /*path*/) {}

    // --- formats ---
    // After an INITeX run the format list was rebuilt (keeping the selected format):
    // the format menu and the toolbar's format box follow it.
    virtual void FormatListRebuilt() {}

    // --- the errors-and-warnings list ---
    // An engine run of `source` (not an INITeX run) has ended: its log is complete.
    virtual void RunEnded(const std::string& /*source*/) {}

    // --- the output window ---
    virtual void ClearOutput() {}
    virtual void RemoveLastOutputCharacter() {}
    // Marks a line of the output window, counted from the end (0 = the last line).
    virtual void MarkOutputLine(int /*lineFromEnd*/) {}
    virtual void ShowOutputBar(bool /*show*/) {}
    virtual void FocusOutput() {}
    virtual void FocusMainWindow() {}
};

}  // namespace quirn
