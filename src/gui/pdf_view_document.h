// PDF documents in Quirn's own page view: the document (pages by poppler, source links
// through the SyncTeX file beside it), its page source, and what a PDF view adds to the
// page view window: inverse search, forward search from the editor, and handing the
// file to the desktop's PDF viewer.
#pragma once

#include <memory>
#include <string>

#include "dvi/synctex_links.h"
#include "graphics/pdf_document.h"
#include "gui/page_view_window.h"
#include "view/pdf_page_source.h"

namespace quirn::gui {

class CPdfWinDoc : public CBaseDoc {
  public:
    PageSource* Pages() override { return &source_; }
    const PdfDocument* Pdf() const { return pdf_.get(); }
    // The SyncTeX links of the file as last read; null without a SyncTeX file.
    SyncTexLinks* Links() { return links_.get(); }

  protected:
    // Reads the file whole into memory (a run may rewrite it while it is shown). A
    // file that cannot be read leaves a document that is shown as it is, with the
    // message "Cannot read PDF file: PATH"; a new one fails to open with it.
    bool DoOpenDocument(const wxString& file) override;

  private:
    std::unique_ptr<PdfDocument> pdf_;
    std::unique_ptr<SyncTexLinks> links_;
    PdfPageSource source_;
    wxDECLARE_DYNAMIC_CLASS(CPdfWinDoc);
};

// Connects a new page view of a PDF document: inverse search through its SyncTeX
// links (Ctrl+click, "Goto TeX Source", F8) puts the caret on the clicked word, and
// the page's menu has "Open with the desktop's PDF viewer".
void ConnectPdfView(PageCanvas& canvas, CPdfWinDoc& doc);

// Opens (or brings forward) a source and puts the caret on the place: its line and,
// when known, its column.
void GoToSourcePlace(const SyncTexPlace& place);

// Forward search into the PDF typeset from `main`, when that is the newer output of
// `main` (a PDF run or a PDF engine) and has SyncTeX links: the PDF opens (or comes
// forward) and shows the place of `line` of `source`. False when the DVI file is the
// one to show.
bool ShowSourceInPdf(const std::string& main, const std::string& source, int line);

}  // namespace quirn::gui
