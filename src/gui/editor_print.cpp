#include "gui/editor_print.h"

#include <wx/print.h>
#include <wx/printdlg.h>

#include <vector>

namespace quirn::gui {

namespace {

class EditorPrintout : public wxPrintout {
  public:
    EditorPrintout(wxStyledTextCtrl& stc, const std::string& title)
        : wxPrintout(wxString::FromUTF8(title)), stc_(stc) {}

    void OnPreparePrinting() override {
        // Lay the text out once to learn where each page starts.
        pageStarts_.clear();
        wxDC* dc = GetDC();
        if (!dc)
            return;
        wxRect page, print;
        Areas(*dc, page, print);
        int length = stc_.GetLength();
        int pos = 0;
        while (pos < length && pageStarts_.size() < 65535) {
            pageStarts_.push_back(pos);
            int next = stc_.FormatRange(false, pos, length, dc, dc, print, page);
            if (next <= pos)
                break;
            pos = next;
        }
        if (pageStarts_.empty())
            pageStarts_.push_back(0);
    }

    void GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) override {
        *minPage = 1;
        *maxPage = static_cast<int>(pageStarts_.size());
        *fromPage = 1;
        *toPage = *maxPage;
    }

    bool HasPage(int page) override {
        return page >= 1 && page <= static_cast<int>(pageStarts_.size());
    }

    bool OnPrintPage(int page) override {
        wxDC* dc = GetDC();
        if (!dc || !HasPage(page))
            return false;
        wxRect pageRect, print;
        Areas(*dc, pageRect, print);
        // The header: the title (for a TeX document, where its file lives).
        dc->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_SWISS)));
        dc->DrawText(GetTitle() + wxString::Format("   %d", page), print.GetLeft(),
                     print.GetTop() - dc->GetCharHeight() * 2);
        stc_.FormatRange(true, pageStarts_[page - 1], stc_.GetLength(), dc, dc, print, pageRect);
        return true;
    }

  private:
    void Areas(wxDC& dc, wxRect& page, wxRect& print) {
        wxSize ppi = dc.GetPPI();
        wxSize size = dc.GetSize();
        page = wxRect(0, 0, size.GetWidth(), size.GetHeight());
        int marginX = ppi.GetWidth() * 3 / 4;
        int marginY = ppi.GetHeight() * 3 / 4;
        print =
            wxRect(marginX, marginY, size.GetWidth() - 2 * marginX, size.GetHeight() - 2 * marginY);
    }

    wxStyledTextCtrl& stc_;
    std::vector<int> pageStarts_;
};

}  // namespace

void PrintEditorText(wxStyledTextCtrl& stc, const std::string& title, wxWindow* parent,
                     UserPrompt& prompt) {
    wxPrintDialogData data;
    data.SetMinPage(1);
    data.SetMaxPage(65535);
    data.SetFromPage(1);
    data.SetToPage(1);
    data.EnablePageNumbers(true);
    wxPrintDialog dialog(parent, &data);
    if (dialog.ShowModal() != wxID_OK)
        return;
    wxPrintDialogData chosen = dialog.GetPrintDialogData();
    if (!chosen.GetAllPages() && chosen.GetFromPage() > chosen.GetToPage()) {
        prompt.ShowMessage("You cannot print text files in reverse page order.");
        return;
    }
    if (chosen.GetAllPages())
        chosen.SetToPage(65535);
    stc.SetPrintColourMode(wxSTC_PRINT_BLACKONWHITE);
    wxPrinter printer(&chosen);
    EditorPrintout printout(stc, title);
    printer.Print(parent, &printout, false);
}

}  // namespace quirn::gui
