// The graphics dialog, built on a virtual display without being shown: the size line
// follows the size typed, keep-aspect keeps the natural proportions, and OK hands the
// choices back as the request the insertion uses.
#include "gui/insert_graphic_dialog.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <vector>

#include "gui/window_system.h"

namespace quirn::gui {
namespace {

template <class T>
std::vector<T*> Controls(wxWindow* window) {
    std::vector<T*> found;
    for (wxWindow* child : window->GetChildren()) {
        if (auto* control = wxDynamicCast(child, T))
            found.push_back(control);
    }
    return found;
}

wxStaticText* SizeLine(wxWindow* dialog) {
    for (wxStaticText* text : Controls<wxStaticText>(dialog)) {
        if (text->GetLabel().StartsWith("Image is"))
            return text;
    }
    return nullptr;
}

TEST(GraphicDialogWindows, SizesFollowTheAspectAndOkGivesTheRequest) {
    if (test_window::RanUnderXvfb())
        return;
    test_window::StartWindowSystem();
    GraphicDescription bitmap{GraphicKind::Bitmap, 200, 100};
    RgbImage preview;
    preview.width = 4;
    preview.height = 2;
    preview.pixels.assign(4 * 2 * 3, 128);
    double width = 0, height = 0;
    NaturalGraphicSize(bitmap, 100, "in", &width, &height);
    EXPECT_DOUBLE_EQ(width, 2);
    EXPECT_DOUBLE_EQ(height, 1);

    GraphicRequest request;
    request.path = "/figs/a_b.png";
    request.width = width;
    request.height = height;
    request.keepAspectRatio = true;
    std::unique_ptr<wxDialog> dialog = MakeInsertGraphicDialog(nullptr, bitmap, &preview, request);
    wxStaticText* line = SizeLine(dialog.get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetLabel(), "Image is 200px by 100px, Page is   2in by   1in");

    // The text boxes: width, height, bounding box, placement, caption, label.
    std::vector<wxTextCtrl*> boxes = Controls<wxTextCtrl>(dialog.get());
    ASSERT_EQ(boxes.size(), 6u);
    boxes[0]->SetValue("5");  // SetValue sends the change event, as typing does
    EXPECT_EQ(boxes[1]->GetValue(), "2.5");
    EXPECT_EQ(line->GetLabel(), "Image is 200px by 100px, Page is   5in by 2.5in");
    EXPECT_EQ(boxes[4]->GetValue(), "Caption for a\\_b.png");
    EXPECT_EQ(boxes[5]->GetValue(), "fig:a-b.png");

    // A width that is no number refuses OK and leaves the request alone.
    boxes[0]->ChangeValue("wide");
    EXPECT_FALSE(dialog->TransferDataFromWindow());
    EXPECT_DOUBLE_EQ(request.width, 2);

    boxes[0]->ChangeValue("3");
    std::vector<wxCheckBox*> checks = Controls<wxCheckBox>(dialog.get());
    ASSERT_EQ(checks.size(), 3u);  // keep aspect, bounding box, figure
    checks[1]->SetValue(true);
    boxes[2]->ChangeValue("0 0 200 100");
    checks[2]->SetValue(true);
    boxes[4]->ChangeValue("A picture");
    Controls<wxRadioBox>(dialog.get()).at(0)->SetSelection(2);
    ASSERT_TRUE(dialog->TransferDataFromWindow());
    EXPECT_DOUBLE_EQ(request.width, 3);
    EXPECT_DOUBLE_EQ(request.height, 2.5);
    ASSERT_TRUE(request.boundingBox);
    EXPECT_EQ((*request.boundingBox)[2], 200);
    EXPECT_TRUE(request.figure);
    EXPECT_EQ(request.alignment, GraphicAlignment::Center);
    EXPECT_EQ(GraphicInsertionText(request, "a_b.png"),
              "\n\\begin{figure}[htbp] % float placement: (h)ere, page (t)op, page (b)ottom, "
              "other (p)age\n  \\centering\n"
              "\\includegraphics[bb=0 0 200 100,width=3in,height=2.5in,keepaspectratio]"
              "{a_b.png}\n  \\caption{A picture}\n  \\label{fig:a-b.png}\n\\end{figure}\n\n");
}

}  // namespace
}  // namespace quirn::gui
