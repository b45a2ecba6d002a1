#include "gui/editor_margins.h"

#include <wx/settings.h>

#include <algorithm>
#include <string>

#include "editor/fold_levels.h"
#include "view/dark_pages.h"

namespace quirn::gui {

namespace {

// Problem markers, after the bookmark (marker 1).
constexpr int kErrorMarker = 2;
constexpr int kWarningMarker = 3;
constexpr int kBadBoxMarker = 4;
constexpr int kProblemMask = (1 << kErrorMarker) | (1 << kWarningMarker) | (1 << kBadBoxMarker);
constexpr int kBookmarkMask = 1 << 1;

int MarkerOf(LogEntryKind kind) {
    switch (kind) {
        case LogEntryKind::Error:
            return kErrorMarker;
        case LogEntryKind::Warning:
            return kWarningMarker;
        case LogEntryKind::BadBox:
            return kBadBoxMarker;
    }
    return kErrorMarker;
}

wxColour FromBgr(int bgr) {
    return wxColour(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

bool IsLight(int bgr) {
    const int r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return r * 299 + g * 587 + b * 114 > 128 * 1000;
}

}  // namespace

bool DesktopIsDark() {
    return wxSystemSettings::GetAppearance().IsDark();
}

wxColour EditorColour(const Settings& settings, int bgr) {
    if (DesktopIsDark() && IsLight(settings.backColor))
        bgr = static_cast<int>(InvertLightness(static_cast<uint32_t>(bgr) & 0xFFFFFF));
    return FromBgr(bgr);
}

void SetUpMargins(wxStyledTextCtrl* stc) {
    stc->SetMarginType(kLineNumberMargin, wxSTC_MARGIN_NUMBER);
    stc->SetMarginType(kSymbolMargin, wxSTC_MARGIN_SYMBOL);
    stc->SetMarginMask(kSymbolMargin, kBookmarkMask | kProblemMask);
    stc->MarkerDefine(kErrorMarker, wxSTC_MARK_CIRCLE, wxColour(160, 0, 0), wxColour(230, 40, 40));
    stc->MarkerDefine(kWarningMarker, wxSTC_MARK_CIRCLE, wxColour(150, 110, 0),
                      wxColour(250, 190, 30));
    stc->MarkerDefine(kBadBoxMarker, wxSTC_MARK_SMALLRECT, wxColour(70, 70, 160),
                      wxColour(140, 150, 230));

    stc->SetMarginType(kFoldMargin, wxSTC_MARGIN_SYMBOL);
    stc->SetMarginMask(kFoldMargin, wxSTC_MASK_FOLDERS);
    stc->SetMarginSensitive(kFoldMargin, true);
    stc->SetMarginWidth(kFoldMargin, 14);
    stc->SetProperty("fold", "1");
    const wxColour fore(255, 255, 255), back(110, 110, 110);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDEROPEN, wxSTC_MARK_BOXMINUS, fore, back);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDER, wxSTC_MARK_BOXPLUS, fore, back);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDERSUB, wxSTC_MARK_VLINE, fore, back);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDERTAIL, wxSTC_MARK_LCORNER, fore, back);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDEREND, wxSTC_MARK_BOXPLUSCONNECTED, fore, back);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDEROPENMID, wxSTC_MARK_BOXMINUSCONNECTED, fore, back);
    stc->MarkerDefine(wxSTC_MARKNUM_FOLDERMIDTAIL, wxSTC_MARK_TCORNER, fore, back);
    stc->SetFoldFlags(wxSTC_FOLDFLAG_LINEAFTER_CONTRACTED);
    stc->SetAutomaticFold(wxSTC_AUTOMATICFOLD_SHOW | wxSTC_AUTOMATICFOLD_CHANGE);
    stc->SetCaretLineVisible(true);
    stc->SetCaretLineVisibleAlways(true);
}

void FitLineNumberMargin(wxStyledTextCtrl* stc, const Settings& settings) {
    if (!settings.lineNumbers) {
        stc->SetMarginWidth(kLineNumberMargin, 0);
        return;
    }
    const std::string widest = "_" + std::string(std::to_string(stc->GetLineCount()).size(), '9');
    const int width = stc->TextWidth(wxSTC_STYLE_LINENUMBER, widest);
    if (stc->GetMarginWidth(kLineNumberMargin) != width)
        stc->SetMarginWidth(kLineNumberMargin, width);
}

void ApplyMarginSettings(wxStyledTextCtrl* stc, const Settings& settings, bool hasMarks) {
    const wxColour back = EditorColour(settings, settings.backColor);
    const wxColour fore = EditorColour(settings, settings.fontColor);
    stc->StyleSetBackground(wxSTC_STYLE_LINENUMBER,
                            back.ChangeLightness(back.GetLuminance() > 0.5 ? 92 : 125));
    stc->StyleSetForeground(wxSTC_STYLE_LINENUMBER, fore.ChangeLightness(150));
    stc->SetFoldMarginColour(true, back.ChangeLightness(back.GetLuminance() > 0.5 ? 96 : 118));
    stc->SetFoldMarginHiColour(true, back.ChangeLightness(back.GetLuminance() > 0.5 ? 96 : 118));
    stc->SetCaretLineBackground(back.ChangeLightness(back.GetLuminance() > 0.5 ? 95 : 130));
    stc->SetMarginWidth(kSymbolMargin, settings.editSelectColumn || hasMarks ? 16 : 0);
    FitLineNumberMargin(stc, settings);
}

void RefreshFoldLevels(wxStyledTextCtrl* stc, const TextBuffer& text) {
    const std::vector<int> levels = TexFoldLevels(text);
    const int count = std::min(stc->GetLineCount(), static_cast<int>(levels.size()));
    for (int line = 0; line < count; ++line) {
        const int level = levels[static_cast<std::size_t>(line)];
        if (stc->GetFoldLevel(line) != level)
            stc->SetFoldLevel(line, level);
    }
}

void SetProblemMarkers(wxStyledTextCtrl* stc, const std::vector<ProblemMark>& marks) {
    for (int marker : {kErrorMarker, kWarningMarker, kBadBoxMarker})
        stc->MarkerDeleteAll(marker);
    for (const ProblemMark& mark : marks) {
        if (mark.line >= 0 && mark.line < stc->GetLineCount())
            stc->MarkerAdd(mark.line, MarkerOf(mark.kind));
    }
}

void OnMarginClick(wxStyledTextCtrl* stc, wxStyledTextEvent& e) {
    if (e.GetMargin() != kFoldMargin)
        return;
    const int line = stc->LineFromPosition(e.GetPosition());
    if (stc->GetFoldLevel(line) & wxSTC_FOLDLEVELHEADERFLAG)
        stc->ToggleFold(line);
}

}  // namespace quirn::gui
