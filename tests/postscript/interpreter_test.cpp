// The interpreter's command texts for every choice, the standard-input protocol and
// the render cache (with a stand-in gs that logs what it gets), and real renderings of
// PostScript and EPS pages by Ghostscript.
#include "postscript/interpreter.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/user_prompt.h"
#include "postscript/ps_document.h"
#include "postscript/ps_test_support.h"

namespace quirn {
namespace {

using test::TempDir;

const std::string kTwoPages =
    "%!PS-Adobe-3.0\n%%Pages: 2\n/box {0 0 moveto 72 0 rlineto 0 72 rlineto -72 0 rlineto fill} "
    "def\n%%EndProlog\n%%Page: 1 1\nbox showpage\n%%Page: 2 2\n100 100 translate box showpage\n"
    "%%Trailer\n%%EOF\n";

struct Fixture {
    TempDir dir, install, tmp;
    test::ScopedEnvironment env;
    Settings settings;
    StringSink out;
    ScriptedPrompt prompt;
    Fixture() { env.Set("TMPDIR", tmp.Path()); }
    InterpreterSetup Setup() {
        InterpreterSetup setup;
        setup.installDir = install.Path();
        setup.out = &out;
        setup.prompt = &prompt;
        setup.wait = {300, 3};
        return setup;
    }
    std::unique_ptr<CBaseDoc> Open(const std::string& name, const std::string& text) {
        return OpenPostScriptDocument(dir.Write(name, text), settings, &out);
    }
};

TEST(InterpreterCommand, TextsOfEveryChoice) {
    Fixture f;
    auto doc = f.Open("two.ps", kTwoPages);
    ASSERT_TRUE(doc);
    RenderRequest request{0, 72, 1, false, false};

    f.settings.psRender = 1;
    PostScriptRenderer gs(f.settings, f.Setup());
    const InterpreterCommand one = gs.BuildCommand(*doc, request, "OUT");
    EXPECT_TRUE(one.text.starts_with("gs \"-I"));
    EXPECT_TRUE(one.text.ends_with(
        "\" -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bmpmono -sOutputFile=\"OUT\" -r72x72 "
        "-g612x792 -"));
    EXPECT_EQ(one.folder, f.dir.Path());
    request.smoothing = true;
    request.bits = 24;
    EXPECT_TRUE(gs.BuildCommand(*doc, request, "OUT")
                    .text.ends_with("-sDEVICE=bmp16m -sOutputFile=\"OUT\" -r72x72 -g612x792 "
                                    "-dTextAlphaBits=4 -dGraphicsAlphaBits=2 -"));

    f.settings.psRender = 3;
    f.settings.psRenderCmd = "mygs -sDEVICE=%DEVICE -o \"%OUTPUT\" -r%DPI";
    request = {0, 150, 8, false, false};
    EXPECT_EQ(gs.BuildCommand(*doc, request, "O").text, "mygs -sDEVICE=bmpgray -o \"O\" -r150 -");
    f.settings.psRenderCmd = "plain";
    EXPECT_EQ(gs.BuildCommand(*doc, request, "O").text, "plain -");

    f.settings.psRender = 0;
    f.settings.trueTypeFontPath = {"/tt1", "/tt2"};
    f.settings.postScriptFontPath = {"/ps"};
    request = {0, 72, 1, false, false};
    const InterpreterCommand jaws = gs.BuildCommand(*doc, request, "T");
    const std::string inst = f.install.Path() + "/";
    EXPECT_EQ(jaws.text, "jaws \"--devicepaths=%os%=;%ram%=;%lib%+" + inst +
                             "Jaws/lib;%resource%+" + inst + "Jaws/resource;%font%+" + inst +
                             "Jaws/font;%ttfont%=/tt1,/tt2;%atmfont%=/ps;%temp%=" + f.tmp.Path() +
                             ";%default%+\" \"--output=T\" ");
    EXPECT_EQ(jaws.folder, f.install.Path());
    EXPECT_EQ(jaws.setup,
              "<< /PageDeviceName /Default /OutputDevice "
              "(fileband;dpi=72;bits=1;reverse;bandsize=2097152;width=612u;height=792u) "
              "/BeginPage {pop } /EndPage {exch pop 2 ne } /Install { /ProcessColorModel "
              "/DeviceRGB  0 currentpagedevice /PageSize get 1 get translate 1 -1 scale } "
              "/Policies << /PolicyNotFound 0 /PageSize 3 >> /PageSize [612 792] >> "
              "setpagedevice 0 0 translate /onejobonly false def /DefaultType1Halftone "
              "/Halftone findresource sethalftone /DefaultColorRendering /ColorRendering "
              "findresource setcolorrendering ");
    f.settings.landscape = 1;
    const std::string turned = gs.BuildCommand(*doc, request, "T").setup;
    EXPECT_NE(turned.find("/Install { /ProcessColorModel /DeviceRGB  currentpagedevice /PageSize "
                          "get 0 get 0 translate -1 1 scale } "),
              std::string::npos);
    EXPECT_NE(turned.find("/PageSize [792 612]"), std::string::npos);
    // Jaws is not there: the start fails with the message, once.
    RenderOutcome outcome;
    gs.Render(*doc, request, &outcome);
    gs.Render(*doc, {1, 72, 1, false, false}, &outcome);
    EXPECT_EQ(outcome, RenderOutcome::Empty);
    EXPECT_EQ(f.out.Text(), "PostScript interpreter not found: jaws\n");

    // Choice 2 reports the gs it finds on PATH in a message box.
    f.settings.psRender = 2;
    f.settings.landscape = 0;
    const InterpreterCommand two = gs.BuildCommand(*doc, request, "O");
    ASSERT_EQ(f.prompt.messages.size(), 1u);
    EXPECT_TRUE(f.prompt.messages[0].starts_with("AFPL Ghostscript v"));
    EXPECT_TRUE(f.prompt.messages[0].ends_with(" detected."));
    EXPECT_NE(two.text.find("/gs -q -dSAFER"), std::string::npos);
    f.env.Set("PATH", f.install.Path());
    EXPECT_EQ(gs.BuildCommand(*doc, request, "O").text, "");
    EXPECT_EQ(f.prompt.messages.back(), "AFPL Ghostscript installation not detected");
}

TEST(InterpreterProtocol, StandardInputCacheAndStubbornChildren) {
    Fixture f;
    auto doc = f.Open("two.ps", kTwoPages);
    ASSERT_TRUE(doc);
    // The stand-in keeps its standard input and writes a small BMP made by real gs.
    const std::string log = f.install.File("stdin");
    test::WriteProgram(f.install.Path(), "gs",
                       "#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in -sOutputFile=*) "
                       "out=\"${a#-sOutputFile=}\";; esac; done\ncat > '" +
                           log +
                           "'\necho 'showpage' | /usr/bin/gs -q -dSAFER -dBATCH -dNOPAUSE "
                           "-sDEVICE=bmpgray -sOutputFile=\"$out\" -g8x8 -\n");
    PostScriptRenderer renderer(f.settings, f.Setup());
    RenderOutcome outcome;
    auto page = renderer.Render(*doc, {1, 72, 8, false, false}, &outcome);
    EXPECT_EQ(outcome, RenderOutcome::Rendered);
    EXPECT_FALSE(page->empty);
    const std::size_t page2 = kTwoPages.find("%%Page: 2 2");
    const std::size_t trailer = kTwoPages.find("%%Trailer");
    EXPECT_EQ(test::ReadFile(log), kTwoPages.substr(0, kTwoPages.find("%%Page: 1 1")) +
                                       kTwoPages.substr(page2, trailer - page2) +
                                       kTwoPages.substr(trailer));
    renderer.Render(*doc, {1, 72, 8, false, false}, &outcome);
    EXPECT_EQ(outcome, RenderOutcome::Cached);
    for (int dpi = 1; dpi <= 20; ++dpi) {
        renderer.Render(*doc, {0, dpi, 8, false, false});
    }
    EXPECT_EQ(renderer.CacheSize(), kRenderCacheSize);
    EXPECT_FALSE(renderer.Cached({1, 72, 8, false, false}));
    EXPECT_EQ(test::CountQuirnTempFiles(), 0);

    // A child that writes nothing: black page and the message; one that never ends
    // is killed after the waits.
    test::WriteProgram(f.install.Path(), "gs", "#!/bin/sh\ncat > /dev/null\n");
    PostScriptRenderer silent(f.settings, f.Setup());
    page = silent.Render(*doc, {0, 72, 8, false, false}, &outcome);
    EXPECT_EQ(outcome, RenderOutcome::Empty);
    RasterCanvas canvas(page->width, page->height);
    DrawRenderedPage(*page, canvas);
    EXPECT_EQ(canvas.Pixel(300, 300), 0u);
    EXPECT_NE(f.out.Text().find("PostScript interpreter produced no output for page 1\n"),
              std::string::npos);
    test::WriteProgram(f.install.Path(), "gs", "#!/bin/sh\nexec sleep 100\n");
    const auto start = std::chrono::steady_clock::now();
    silent.Render(*doc, {1, 72, 8, false, false}, &outcome);
    EXPECT_EQ(outcome, RenderOutcome::Empty);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(test::CountQuirnTempFiles(), 0);
}

TEST(InterpreterRendering, RealGhostscriptDrawsPostScriptAndEpsPages) {
    Fixture f;
    f.env.Set("QUIRN_INSTALL_DIR", f.install.Path());
    auto ps = f.Open("two.ps", kTwoPages);
    auto eps = f.Open("box.eps", test::BoxFigure());
    ASSERT_TRUE(ps && eps);
    InterpreterSetup setup = f.Setup();
    setup.wait = {};
    PostScriptRenderer renderer(f.settings, setup);
    RenderOutcome outcome;
    auto second = renderer.Render(*ps, {1, 72, 8, false, false}, &outcome);
    ASSERT_EQ(outcome, RenderOutcome::Rendered) << f.out.Text();
    RasterCanvas canvas(second->width, second->height);
    DrawRenderedPage(*second, canvas);
    // The box of page 2 sits 100 points up and right of the lower left corner.
    EXPECT_EQ(canvas.Pixel(136, 792 - 136), 0u);
    EXPECT_EQ(canvas.Pixel(36, 792 - 36), 0xFFFFFFu);

    // The EPS page is its bounding box, filled by the box, in colour on request.
    auto box = renderer.Render(*eps, {0, 144, 24, true, false}, &outcome);
    ASSERT_EQ(outcome, RenderOutcome::Rendered);
    EXPECT_EQ(box->width, 200);
    EXPECT_EQ(box->height, 100);
    RasterCanvas boxCanvas(box->width, box->height);
    DrawRenderedPage(*box, boxCanvas);
    EXPECT_EQ(boxCanvas.Pixel(100, 50), 0u);
    EXPECT_EQ(boxCanvas.Pixel(2, 2), 0u);
    EXPECT_EQ(test::CountQuirnTempFiles(), 0);
}

TEST(PostScriptDocuments, FallbacksSizesAndTheEpsPage) {
    Fixture f;
    auto bare = f.Open("bare.ps", "%!PS\nnewpath showpage\n");
    ASSERT_TRUE(bare);
    EXPECT_EQ(f.out.Text(),
              f.dir.File("bare.ps") + ": Missing DSC comments, Assuming 1 page in length\n");
    EXPECT_EQ(bare->PageCount(), 1);
    std::string written;
    const PageWriter collect = [&written](std::string_view b) {
        written += b;
        return true;
    };
    ASSERT_TRUE(bare->WritePages({0}, 72, collect));
    EXPECT_EQ(written, "%!PS\nnewpath showpage\n");

    f.settings.cmUnits = 1;
    f.settings.pageWidth = 21.0;
    f.settings.pageHeight = 29.7;
    f.settings.landscape = 1;
    EXPECT_EQ(bare->PageSizePixels(0, 100).width, 1169);
    EXPECT_EQ(bare->PageSizePixels(0, 100).height, 826);

    f.out.Clear();
    auto nobox = f.Open("nobox.eps", "%!PS-Adobe-3.0 EPSF-3.0\nshowpage\n");
    EXPECT_EQ(f.out.Text(),
              "** Bounding box not found for " + f.dir.File("nobox.eps") + ", size = 33\n");
    EXPECT_EQ(nobox->PageSizePixels(0, 100).width, 1169);
    written.clear();
    ASSERT_TRUE(nobox->WritePages({0}, 72, collect));
    EXPECT_TRUE(written.starts_with(std::string(EpsInclusionProlog())));

    auto eps = f.Open("box.eps", test::BoxFigure());
    written.clear();
    ASSERT_TRUE(eps->WritePages({0}, 72, collect));
    EXPECT_EQ(written, "-10 -20 translate" + std::string(EpsInclusionProlog()) + test::BoxFigure() +
                           std::string(EpsInclusionEpilog()) + "\nshowpage\n");
}

}  // namespace
}  // namespace quirn
