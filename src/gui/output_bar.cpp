#include "gui/output_bar.h"

#include <wx/sizer.h>

namespace quirn::gui {

COutputBar::COutputBar(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    text_ = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                           wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxTE_RICH2);
    text_->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_TELETYPE)));
    text_->Bind(wxEVT_CHAR, &COutputBar::OnChar, this);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(text_, 1, wxEXPAND);
    SetSizer(sizer);
}

void COutputBar::AppendOutput(std::string_view text) {
    // Engine output is bytes in an unknown 8-bit code; show invalid UTF-8 as Latin-1.
    wxString s = wxString::FromUTF8(text.data(), text.size());
    if (s.empty() && !text.empty())
        s = wxString(text.data(), wxConvISO8859_1, text.size());
    text_->AppendText(s);
}

void COutputBar::Clear() {
    text_->Clear();
}

void COutputBar::RemoveLastCharacter() {
    long end = text_->GetLastPosition();
    if (end > 0)
        text_->Remove(end - 1, end);
}

void COutputBar::MarkLineFromEnd(int lineFromEnd) {
    // Line 0 from the end is the one being written: after a line feed, the empty last
    // line the control counts too.
    const int lines = text_->GetNumberOfLines();
    long line = lines - 1 - lineFromEnd;
    if (line < 0)
        return;
    long start = text_->XYToPosition(0, line);
    if (start < 0)
        return;
    text_->SetSelection(start, start + text_->GetLineLength(line));
    text_->ShowPosition(start);
}

void COutputBar::OnChar(wxKeyEvent& e) {
    if (keyHandler_ &&
        keyHandler_(e.GetUnicodeKey() != WXK_NONE ? e.GetUnicodeKey() : e.GetKeyCode())) {
        return;
    }
    e.Skip();
}

}  // namespace quirn::gui
