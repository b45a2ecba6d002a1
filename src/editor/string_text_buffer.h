// TextBuffer held in memory: the bytes, one style byte per text byte and an index of
// line starts that every edit keeps up to date.
#pragma once

#include <string>
#include <vector>

#include "editor/text_buffer.h"

namespace quirn {

class StringTextBuffer : public TextBuffer {
  public:
    StringTextBuffer() = default;
    explicit StringTextBuffer(std::string_view text);

    TextPos Length() const override { return static_cast<TextPos>(text_.size()); }
    void GetRange(TextPos start, TextPos end, char* out) const override;
    char CharAt(TextPos pos) const override;

    int64_t LineCount() const override { return static_cast<int64_t>(lineStarts_.size()); }
    int64_t LineFromPosition(TextPos pos) const override;
    TextPos LineStart(int64_t line) const override;
    TextPos LineEnd(int64_t line) const override;

    void Replace(TextPos start, TextPos end, std::string_view text) override;

    void EmptyUndoBuffer() override {}
    void SetSavePoint() override { modified_ = false; }
    bool IsModified() const override { return modified_; }

    void StartStyling(TextPos pos, int mask) override;
    void SetStyling(TextPos length, int style) override;
    TextPos EndStyled() const override { return endStyled_; }

    const std::string& Text() const { return text_; }
    // The style byte of every text byte.
    const std::string& Styles() const { return styles_; }
    int StyleAt(TextPos pos) const;

  private:
    void IndexLines(TextPos from, TextPos to, std::vector<TextPos>& out) const;

    std::string text_;
    std::string styles_;
    std::vector<TextPos> lineStarts_{0};
    bool modified_ = false;
    TextPos stylingPos_ = 0;
    int stylingMask_ = 0xFF;
    TextPos endStyled_ = 0;
};

}  // namespace quirn
