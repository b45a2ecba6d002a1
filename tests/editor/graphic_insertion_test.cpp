#include "editor/graphic_insertion.h"

#include <gtest/gtest.h>

#include "editor/graphic_command.h"
#include "editor/preamble.h"
#include "editor/string_text_buffer.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

const char* kDocument =
    "\\documentclass{article}\n"
    "\\begin {document}\n"
    "Text\n"
    "\\end{document}\n";

// Counts conversions; each answers `succeed` and writes its output when it does.
class CountingConverter : public GraphicConverter {
  public:
    explicit CountingConverter(bool succeed) : succeed_(succeed) {}
    bool ConvertToEPS(const std::string&, const std::string& out) override { return Make(out); }
    bool ConvertToPDF(const std::string&, const std::string& out) override { return Make(out); }
    bool ConvertImage(const std::string&, const std::string& out) override { return Make(out); }
    int calls = 0;

  private:
    bool Make(const std::string& out) {
        ++calls;
        if (succeed_) {
            FILE* f = std::fopen(out.c_str(), "w");
            std::fputs("x", f);
            std::fclose(f);
        }
        return succeed_;
    }
    bool succeed_;
};

struct Insertion {
    ScriptedPrompt prompt;
    StringSink output;
    CountingConverter converter{true};
    GraphicInsertionContext context{prompt, output, &converter, TypesetOutput::Dvi, "", {}, {}};
};

TEST(GraphicInsertion, PreambleAndGraphicsPathAreEditedOnceAndCaretFollows) {
    StringTextBuffer text(kDocument);
    Insertion in;
    in.context.documentPath = "/docs/paper.tex";
    in.context.kind = GraphicKind::PostScript;
    GraphicRequest request;
    request.path = "/figs/new/plot.eps";
    request.width = 3;
    request.height = 2;
    request.keepAspectRatio = true;
    const TextPos caret = static_cast<TextPos>(std::string(kDocument).find("Text"));
    auto range = InsertGraphic(text, caret, request, in.context);
    ASSERT_TRUE(range);
    // A second graphic from the same folder adds no second \graphicspath entry.
    request.path = "/figs/new/other.eps";
    request.keepAspectRatio = false;
    request.alignment = GraphicAlignment::Right;
    request.boundingBox = std::array<int, 4>{0, 0, 72, 36};
    ASSERT_TRUE(InsertGraphic(text, range->end, request, in.context));
    EXPECT_EQ(text.Text(),
              "\\documentclass{article}\n"
              "\\usepackage{graphicx}\n"
              "\\graphicspath{{/figs/new/}}\n"
              "\\begin {document}\n"
              "\\includegraphics[width=3in,height=2in,keepaspectratio]{plot.eps}"
              "\\rightline{\\includegraphics[bb=0 0 72 36,width=3in,height=2in]{other.eps}}"
              "Text\n"
              "\\end{document}\n");

    // A third folder rewrites the command one folder a line; the caret moves along.
    request.path = "/figs/third/x.eps";
    request.alignment = GraphicAlignment::None;
    request.boundingBox.reset();
    request.width = 2.54;
    request.unit = "cm";
    const TextPos end = static_cast<TextPos>(text.Text().find("\\end{document}"));
    range = InsertGraphic(text, end, request, in.context);
    ASSERT_TRUE(range);
    EXPECT_NE(text.Text().find("\\graphicspath{%\n    {/figs/new/}\n    {/figs/third/}\n"
                               "}% inserted by Quirn\n\\begin {document}"),
              std::string::npos)
        << text.Text();
    EXPECT_EQ(TextOf(text, range->start, range->end + 4),
              "\\includegraphics[width=2.54cm,height=2cm]{x.eps}\\end");
    EXPECT_EQ(in.converter.calls, 0);
    EXPECT_TRUE(in.prompt.messages.empty());
}

TEST(GraphicInsertion, UnreadablePreamblesAreReportedAndFailedConversionsUndone) {
    // No \begin{document}: the command still goes in, with the message.
    StringTextBuffer chapter("Chapter text\n");
    Insertion in;
    GraphicRequest request;
    request.path = "/figs/a.png";
    request.width = request.height = 1;
    ASSERT_TRUE(InsertGraphic(chapter, 0, request, in.context));
    EXPECT_EQ(chapter.Text(), "\\includegraphics[width=1in,height=1in]{a.png}Chapter text\n");
    ASSERT_EQ(in.prompt.messages.size(), 1u);
    EXPECT_EQ(in.prompt.messages[0], "Could not access LaTeX preamble in main file.");

    // A \graphicspath whose end is more than 100 lines away is left alone.
    std::string open = "\\documentclass{article}\n\\usepackage{graphicx}\n\\graphicspath{\n";
    for (int i = 0; i < 101; ++i) {
        open += "  {/f" + std::to_string(i) + "/}\n";
    }
    open += "}\n\\begin{document}\n\\end{document}\n";
    StringTextBuffer text(open);
    in.prompt.messages.clear();
    ASSERT_TRUE(InsertGraphic(text, 0, request, in.context));
    EXPECT_EQ(text.Text(), "\\includegraphics[width=1in,height=1in]{a.png}" + open);
    ASSERT_EQ(in.prompt.messages.size(), 1u);
    EXPECT_EQ(in.prompt.messages[0],
              "Unable to edit \\graphicspath in preamble.\nCheck this and try again.");

    // A conversion that fails takes back the preamble edits.
    TempDir dir;
    StringTextBuffer doc(kDocument);
    CountingConverter failing(false);
    in.context.converter = &failing;
    in.context.mode = TypesetOutput::Pdf;
    in.context.kind = GraphicKind::PostScript;
    in.context.documentPath = dir.File("doc.tex");
    request.path = dir.Write("f.eps", "%!PS\n");
    EXPECT_FALSE(InsertGraphic(doc, 0, request, in.context));
    EXPECT_EQ(doc.Text(), kDocument);
    EXPECT_EQ(failing.calls, 1);
    EXPECT_EQ(in.output.Text(), "");

    // One that works names the converted copy and lists its folder.
    CountingConverter working(true);
    in.context.converter = &working;
    ASSERT_TRUE(InsertGraphic(doc, 0, request, in.context));
    EXPECT_NE(doc.Text().find("{" + dir.Path() + "/converted_graphics/}"), std::string::npos);
    EXPECT_NE(doc.Text().find("]{f.pdf}"), std::string::npos);
    EXPECT_EQ(in.output.Text(), "Converted EPS to PDF for DVI/PDF compatibility\n");
}

TEST(GraphicInsertion, TextsNamesAndPlans) {
    EXPECT_TRUE(HasTexUnsafeCharacter("/a/my plot.eps"));
    EXPECT_FALSE(HasTexUnsafeCharacter("/a/my-plot_1.eps"));
    EXPECT_EQ(SafeGraphicName("my plot.eps"), "my-plot.eps");
    EXPECT_EQ(SafeGraphicName("a_b{c}$&#^%~\\.png"),
              "a-b-LBR-c-RBR--DOL--AND--PND--HAT--PCT--TIL--BKS-.png");
    EXPECT_EQ(DefaultGraphicCaption("a_b\\c^~.eps"),
              "Caption for a\\_b$\\backslash$c\\^{}\\~{}.eps");
    EXPECT_EQ(DefaultGraphicLabel("my plot.eps"), "fig:my-plot.eps");

    GraphicRequest figure;
    figure.width = 4;
    figure.height = 3;
    figure.figure = true;
    EXPECT_EQ(GraphicInsertionText(figure, "p.eps"),
              "\n\\begin{figure}[htbp] % float placement: (h)ere, page (t)op, page (b)ottom, "
              "other (p)age\n  \\centering\n\\includegraphics[width=4in,height=3in]{p.eps}\n"
              "  \\caption{Caption for p.eps}\n  \\label{fig:p.eps}\n\\end{figure}\n\n");

    EXPECT_EQ(
        PlanGraphicConversion("/f/a.pdf", GraphicKind::Pdf, TypesetOutput::Dvi, "/d/x.tex").path,
        "/d/converted_graphics/a.eps");
    EXPECT_TRUE(
        PlanGraphicConversion("/f/a.PNG", GraphicKind::Bitmap, TypesetOutput::Pdf, "/d/x.tex")
            .path.empty());
    EXPECT_EQ(PlanGraphicConversion("/f/a.gif", GraphicKind::Bitmap, TypesetOutput::Pdf, "/d/x.tex")
                  .trace,
              "Converted graphic to PDF for DVI/PDF compatibility\n");

    TempDir dir;
    const std::string paper = dir.Write("paper.tex", "x");
    EXPECT_EQ(MigrationBackupPath(paper), dir.File("paper.migrategraphics.tex"));
    dir.Write("paper.migrategraphics.tex", "x");
    EXPECT_EQ(MigrationBackupPath(paper), dir.File("paper.migrategraphics.1.tex"));
}

TEST(GraphicInsertion, UnsafeNamesAreCopiedToTheChosenName) {
    TempDir dir;
    const std::string graphic = dir.Write("my plot.eps", "%!PS\n");
    ScriptedPrompt prompt;
    StringSink output;
    std::string suggested;
    auto choose = [&](const std::string& s) {
        suggested = s;
        return std::optional<std::string>(s);
    };
    EXPECT_EQ(MakeGraphicNameUsable(graphic, prompt, choose, output), dir.File("my-plot.eps"));
    EXPECT_EQ(suggested, dir.File("my-plot.eps"));
    EXPECT_EQ(ReadFile(dir.File("my-plot.eps")), "%!PS\n");
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0], UnsafeGraphicNameQuestion(graphic, "my-plot.eps"));

    // No keeps the name; a copy that cannot be made answers nothing.
    prompt.SetAnswer(false);
    EXPECT_EQ(MakeGraphicNameUsable(graphic, prompt, choose, output), graphic);
    prompt.SetAnswer(true);
    auto unwritable = [](const std::string&) {
        return std::optional<std::string>("/nonexistent-folder/x.eps");
    };
    EXPECT_FALSE(MakeGraphicNameUsable(graphic, prompt, unwritable, output));
}

TEST(IncludeGraphicsCommand, ReadsTheDialogsOwnFormAndRefusesOthers) {
    StringTextBuffer text(
        "see \\includegraphics[angle=90,width=3in,height=2in]{sub/fig.eps} and "
        "\\includegraphics[width=2.5cm, height=1cm,keepaspectratio,clip]{ b.png } or "
        "\\includegraphics[scale=2]{c.eps}");
    const std::string& s = text.Text();
    auto m = MatchIncludeGraphicsAt(text, static_cast<TextPos>(s.find("\\include")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->width + m->widthUnit + " " + m->height + m->heightUnit + " " + m->file,
              "3in 2in sub/fig.eps");
    EXPECT_EQ(m->otherOptions, "angle=90,");
    EXPECT_FALSE(m->keepAspectRatio);
    m = MatchIncludeGraphicsAt(text, static_cast<TextPos>(s.find("b.png")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->width + m->widthUnit + " " + m->height + m->heightUnit, "2.5cm 1cm");
    EXPECT_TRUE(m->keepAspectRatio);
    EXPECT_EQ(m->furtherOptions, ",clip");
    EXPECT_FALSE(MatchIncludeGraphicsAt(text, static_cast<TextPos>(s.find("c.eps"))));
    EXPECT_FALSE(MatchIncludeGraphicsAt(text, 0));
    EXPECT_FALSE(MatchIncludeGraphicsAt(text, static_cast<TextPos>(s.find(" and"))));
}

}  // namespace
}  // namespace quirn::test
