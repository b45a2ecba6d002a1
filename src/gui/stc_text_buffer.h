// The editing component seen as the editor algorithms' TextBuffer: positions are the
// component's byte positions, edits go through its undo history, styling through its
// container-styling calls.
#pragma once

#include <wx/stc/stc.h>

#include "editor/text_buffer.h"

namespace quirn::gui {

class StcTextBuffer : public TextBuffer {
  public:
    explicit StcTextBuffer(wxStyledTextCtrl& stc) : stc_(stc) {}

    TextPos Length() const override { return stc_.GetLength(); }
    void GetRange(TextPos start, TextPos end, char* out) const override;
    char CharAt(TextPos pos) const override;
    int64_t LineCount() const override { return stc_.GetLineCount(); }
    int64_t LineFromPosition(TextPos pos) const override;
    TextPos LineStart(int64_t line) const override;
    TextPos LineEnd(int64_t line) const override;
    void Replace(TextPos start, TextPos end, std::string_view text) override;
    void EmptyUndoBuffer() override { stc_.EmptyUndoBuffer(); }
    void SetSavePoint() override { stc_.SetSavePoint(); }
    bool IsModified() const override { return stc_.GetModify(); }
    void StartStyling(TextPos pos, int mask) override;
    void SetStyling(TextPos length, int style) override;
    TextPos EndStyled() const override { return stc_.GetEndStyled(); }

  private:
    wxStyledTextCtrl& stc_;
    int mask_ = 0xFF;
};

}  // namespace quirn::gui
