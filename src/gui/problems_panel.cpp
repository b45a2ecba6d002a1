#include "gui/problems_panel.h"

#include <wx/sizer.h>

#include <filesystem>

#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"
#include "typeset/rerun_rule.h"

namespace quirn::gui {

namespace {

enum Column { kKind, kFile, kLine, kText };

const char* KindLabel(LogEntryKind kind) {
    switch (kind) {
        case LogEntryKind::Error:
            return "Error";
        case LogEntryKind::Warning:
            return "Warning";
        case LogEntryKind::BadBox:
            return "Bad box";
    }
    return "";
}

}  // namespace

CProblemsPanel::CProblemsPanel(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    list_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxLC_REPORT | wxLC_SINGLE_SEL);
    list_->AppendColumn("Kind", wxLIST_FORMAT_LEFT, 70);
    list_->AppendColumn("File", wxLIST_FORMAT_LEFT, 110);
    list_->AppendColumn("Line", wxLIST_FORMAT_RIGHT, 50);
    list_->AppendColumn("Message", wxLIST_FORMAT_LEFT, 600);
    list_->Bind(wxEVT_LIST_ITEM_ACTIVATED, &CProblemsPanel::OnItem, this);
    list_->Bind(wxEVT_LIST_ITEM_SELECTED, &CProblemsPanel::OnItem, this);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list_, 1, wxEXPAND);
    SetSizer(sizer);
}

void CProblemsPanel::Clear() {
    list_->DeleteAllItems();
    entries_.clear();
    MarkEditors();
}

void CProblemsPanel::ShowRun(const std::string& source) {
    list_->DeleteAllItems();
    entries_.clear();
    const std::string folder = DirectoryOf(source);
    if (std::optional<std::string> log = ReadWholeFile(StripExtension(source) + ".log")) {
        entries_ = AnalyseLog(*log);
        for (LogEntry& entry : entries_) {
            if (!entry.file.empty()) {
                entry.file = std::filesystem::path(AbsolutePath(entry.file, folder))
                                 .lexically_normal()
                                 .string();
            }
        }
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const LogEntry& entry = entries_[i];
        const long row = list_->InsertItem(static_cast<long>(i), KindLabel(entry.kind));
        list_->SetItem(row, kFile, wxString::FromUTF8(FileNameOf(entry.file)));
        list_->SetItem(row, kLine, entry.line > 0 ? wxString::Format("%d", entry.line) : "");
        list_->SetItem(row, kText, wxString::FromUTF8(entry.text));
    }
    MarkEditors();
}

void CProblemsPanel::OnItem(wxListEvent& e) {
    if (e.GetIndex() >= 0)
        OpenEntry(static_cast<std::size_t>(e.GetIndex()));
}

void CProblemsPanel::OpenEntry(std::size_t index) {
    if (index >= entries_.size())
        return;
    const LogEntry& entry = entries_[index];
    if (entry.file.empty() || !RegularFileExists(entry.file))
        return;
    Services().Typeset().GoToSourceLine(entry.file, std::max(1, entry.line));
    MarkEditors();  // the file may have opened just now
}

void CProblemsPanel::MarkEditors() {
    for (wxDocument* doc : Services().Documents().GetDocumentsVector()) {
        auto* tex = wxDynamicCast(doc, CQuirnWinDoc);
        auto* view = tex ? wxDynamicCast(tex->GetFirstView(), CQuirnWinView) : nullptr;
        if (!view)
            continue;
        std::vector<ProblemMark> marks;
        for (const LogEntry& entry : entries_) {
            if (entry.line > 0 && entry.file == tex->Path())
                marks.push_back({entry.line - 1, entry.kind});
        }
        view->SetProblemMarks(marks);
    }
}

}  // namespace quirn::gui
