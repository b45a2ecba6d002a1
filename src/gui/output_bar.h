// The output window: the application's text sink, docked at the bottom of the main
// frame. Typed input is forwarded to whoever listens (the running engine).
#pragma once

#include <wx/panel.h>
#include <wx/textctrl.h>

#include <functional>

#include "platform/output_sink.h"

namespace quirn::gui {

class COutputBar : public wxPanel, public OutputSink {
  public:
    explicit COutputBar(wxWindow* parent);

    void AppendOutput(std::string_view text) override;
    void Clear();
    // Takes back the last character shown (Backspace in typed input).
    void RemoveLastCharacter();
    // Marks a line counted from the end (0 = the last line): selected and scrolled to.
    void MarkLineFromEnd(int lineFromEnd);
    // The text of the marked line (empty when none is).
    wxString MarkedText() const { return text_->GetStringSelection(); }
    void FocusText() { text_->SetFocus(); }
    wxString Text() const { return text_->GetValue(); }
    // Called with each key typed into the window.
    void SetKeyHandler(std::function<bool(int key)> handler) { keyHandler_ = std::move(handler); }

  private:
    void OnChar(wxKeyEvent& e);

    wxTextCtrl* text_;
    std::function<bool(int)> keyHandler_;
};

}  // namespace quirn::gui
