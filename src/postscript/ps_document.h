// The documents the viewer shows besides DVI files, and the DVI document seen from the
// PostScript side. Each knows a PostScript file as a prolog, a page table and a
// trailer (dsc_scan.h), tells its page count and page sizes, and writes a stand-alone
// PostScript stream of chosen pages, which is what the interpreter is fed.
//
//   kind 0  DviPostScriptDoc  a DVI document; its PostScript is made by dvips
//   kind 1  CPostscriptDoc    a .ps file
//   kind 2  CEPSDoc           an .eps file, one page placed by its bounding box
//   kind 3                    PDF files, shown through poppler
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "dvi/dvi_doc.h"
#include "postscript/dsc_scan.h"

namespace quirn {

class OutputSink;

enum DocumentKind { kKindDvi = 0, kKindPostScript = 1, kKindEps = 2, kKindPdf = 3 };

// The page size a document without a size of its own gets: PageWidth by PageHeight
// (inches, or centimetres with CMunits), exchanged with Landscape, at `dpi`.
PixelSize DefaultPageSize(const Settings& settings, int dpi);

class CBaseDoc {
  public:
    // `settings` is borrowed; `out` (borrowed, may be null) is the output window.
    CBaseDoc(const Settings& settings, OutputSink* out) : settings_(settings), out_(out) {}
    virtual ~CBaseDoc() = default;
    CBaseDoc(const CBaseDoc&) = delete;
    CBaseDoc& operator=(const CBaseDoc&) = delete;

    virtual int Kind() const = 0;
    // Reads the file and builds the page table; false when the file cannot be read.
    virtual bool Open(const std::string& path);
    // Reads the file again after it changed.
    virtual bool Reopen() { return Open(path_); }
    // Builds the page table from the DSC comments of the PostScript file (once).
    bool ScanDSC();
    virtual int PageCount() const { return static_cast<int>(structure_.pages.size()); }
    virtual PixelSize PageSizePixels(int page, int dpi) const;
    // A stand-alone PostScript stream of `pages` (0-based) through `writer`: prolog,
    // each page, trailer. `dpi` and `graphicsOnly` matter to DVI documents only.
    virtual bool WritePages(const std::vector<int>& pages, int dpi, const PageWriter& writer,
                            bool graphicsOnly = false);

    const std::string& Path() const { return path_; }
    // The name messages give the file (the path as the user gave it); the path when
    // none was set.
    void SetDisplayName(std::string name) { displayName_ = std::move(name); }
    const std::string& DisplayName() const { return displayName_.empty() ? path_ : displayName_; }
    // The folder the interpreter runs in: the document's own.
    std::string Folder() const;
    const DscStructure& Structure() const { return structure_; }
    // The bytes of the PostScript file.
    std::string_view PostScript() const { return postScript_; }
    const Settings& DocumentSettings() const { return settings_; }

  protected:
    void Message(std::string_view text) const;
    bool CopyBytes(int64_t begin, int64_t end, const PageWriter& writer) const;
    // Reads `path` as the document's PostScript file.
    bool LoadPostScript(const std::string& path);

    const Settings& settings_;
    OutputSink* out_;
    std::string path_;
    std::string displayName_;
    std::string postScript_;
    DscStructure structure_;
};

class CPostscriptDoc : public CBaseDoc {
  public:
    using CBaseDoc::CBaseDoc;
    int Kind() const override { return kKindPostScript; }
    // A file without usable DSC comments is one page: the whole file.
    bool Open(const std::string& path) override;
};

class CEPSDoc : public CBaseDoc {
  public:
    using CBaseDoc::CBaseDoc;
    int Kind() const override { return kKindEps; }
    bool Open(const std::string& path) override;
    int PageCount() const override { return 1; }
    PixelSize PageSizePixels(int page, int dpi) const override;
    // The one page: moved so that the box's corner is at the origin, wrapped so that
    // nothing it does leaks out, and shown.
    bool WritePages(const std::vector<int>& pages, int dpi, const PageWriter& writer,
                    bool graphicsOnly = false) override;

    const EpsSection& Section() const { return section_; }
    const std::optional<EpsBox>& Box() const { return box_; }

  private:
    EpsSection section_;
    std::optional<EpsBox> box_;
};

// The text that saves the interpreter's state ahead of an included EPS graphic, and
// the text that restores it afterwards.
std::string_view EpsInclusionProlog();
std::string_view EpsInclusionEpilog();

// Opens a .ps or .eps file (by its extension, any case; anything else as PostScript);
// null when it cannot be read.
std::unique_ptr<CBaseDoc> OpenPostScriptDocument(const std::string& path, const Settings& settings,
                                                 OutputSink* out);

}  // namespace quirn
