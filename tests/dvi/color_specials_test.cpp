#include <gtest/gtest.h>

#include <cstring>

#include "dvi/color_spec.h"
#include "dvi/color_state.h"
#include "dvi/specials.h"
#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn {
namespace {

uint32_t Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

TEST(ColorSpec, ModelsAndIntegerConversions) {
    StringSink out;
    EXPECT_EQ(ParseColorSpec("rgb 1 0 0", out), Rgb(255, 0, 0));
    EXPECT_EQ(ParseColorSpec("  rgb 0.5 0.25 1", out), Rgb(127, 63, 255));
    EXPECT_EQ(ParseColorSpec("cmyk 0 0 0 0", out), Rgb(255, 255, 255));
    EXPECT_EQ(ParseColorSpec("cmyk 0 0 0 1", out), 0u);
    // gray 0.25 is CMYK (0,0,0,0.75): 8189 of 32760 in each channel, 63 of 255.
    EXPECT_EQ(CmykToScaledRgb(0, 0, 0, 0.75).r, 8189);
    EXPECT_EQ(ParseColorSpec("gray 0.25", out), Rgb(63, 63, 63));
    EXPECT_EQ(ParseColorSpec("gray 1", out), Rgb(255, 255, 255));
    // hsb with zero saturation is the brightness itself; pure hues through the
    // integer conversion.
    EXPECT_EQ(ParseColorSpec("hsb 0.3 0 0.5", out), Rgb(127, 127, 127));
    EXPECT_EQ(ParseColorSpec("hsb 0 1 1", out), Rgb(255, 0, 0));
    EXPECT_EQ(ParseColorSpec("hsb 1 1 1", out), Rgb(255, 0, 0));  // i = 6 counts as 0
    EXPECT_EQ(ParseColorSpec("hsb 0.3333333 1 1", out), Rgb(0, 255, 0));
    EXPECT_EQ(ParseColorSpec("hsb 0.5 1 1", out), Rgb(0, 255, 255));
    EXPECT_EQ(ParseColorSpec("hsb 0.6666667 1 1", out), Rgb(0, 0, 255));
    // Keywords are prefixes.
    EXPECT_EQ(ParseColorSpec("rgb0 1 0", out), Rgb(0, 255, 0));
    EXPECT_EQ(out.Text(), "");
}

TEST(ColorSpec, NamedColoursAndMessages) {
    int count = 0;
    const NamedColor* table = NamedColors(&count);
    EXPECT_EQ(count, 68);
    EXPECT_STREQ(table[0].name, "Apricot");
    EXPECT_STREQ(table[67].name, "YellowOrange");

    StringSink out;
    EXPECT_EQ(ParseColorSpec("Red", out), Rgb(255, 0, 0));
    EXPECT_EQ(ParseColorSpec("Black", out), 0u);
    EXPECT_EQ(ParseColorSpec("White", out), Rgb(255, 255, 255));
    EXPECT_EQ(ParseColorSpec("Apricot", out), Rgb(255, 173, 122));
    EXPECT_EQ(out.Text(), "");

    const struct {
        const char* text;
        const char* message;
    } failures[] = {
        {"apricot", "unknown color name: apricot\n"},
        {"12", "Invalid color name: 12\n"},
        {"", "Invalid color name: \n"},
        {"rgb 1.5 0 0", "Invalid color triple: 1.5 0 0\n"},
        {"rgb 1 0", "Invalid color triple: 1 0\n"},
        {"hsb x 0 0", "Invalid color triple: x 0 0\n"},
        {"cmyk 0 0 0", "Invalid cmyk quadruple: 0 0 0\n"},
        {"cmyk 0 0 0 -1", "Invalid cmyk quadruple: 0 0 0 -1\n"},
        {"gray 2", "invalid gray value: 2\n"},
        {"gray   ", ""},
        {"rgb", ""},
    };
    for (const auto& f : failures) {
        out.Clear();
        EXPECT_FALSE(ParseColorSpec(f.text, out)) << f.text;
        EXPECT_EQ(out.Text(), f.message) << f.text;
    }
}

TEST(ColorSpecials, StackPushPopAndReplace) {
    StringSink out;
    ColorState state;
    EXPECT_TRUE(ProcessSpecial("color push Red", state, out));
    EXPECT_EQ(state.current, Rgb(255, 0, 0));
    EXPECT_TRUE(ProcessSpecial("color pop", state, out));
    EXPECT_EQ(state.current, 0u);

    // Three pushes and four pops: the fourth reports the empty stack and gives black.
    ProcessSpecial("color push Red", state, out);
    ProcessSpecial("color push Blue", state, out);
    ProcessSpecial("color push rgb 0 1 0", state, out);
    EXPECT_EQ(state.current, Rgb(0, 255, 0));
    ProcessSpecial("color pop", state, out);
    EXPECT_EQ(state.current, Rgb(0, 0, 255));
    ProcessSpecial("color pop", state, out);
    ProcessSpecial("color pop", state, out);
    EXPECT_EQ(out.Text(), "");
    EXPECT_TRUE(ProcessSpecial("color pop", state, out));
    EXPECT_EQ(out.Text(), "color pop: color stack is empty\n");
    EXPECT_EQ(state.current, 0u);

    // A plain colour after two pushes empties the stack down to one black entry.
    out.Clear();
    ProcessSpecial("color push Red", state, out);
    ProcessSpecial("color push Green", state, out);
    ProcessSpecial("color Blue", state, out);
    EXPECT_EQ(state.current, Rgb(0, 0, 255));
    ProcessSpecial("color pop", state, out);
    EXPECT_EQ(state.current, 0u);
    EXPECT_EQ(out.Text(), "");
    ProcessSpecial("color pop", state, out);
    EXPECT_EQ(out.Text(), "color pop: color stack is empty\n");

    // Failures are not kept and leave the state alone.
    out.Clear();
    ProcessSpecial("color push Red", state, out);
    EXPECT_FALSE(ProcessSpecial("color rgb 1.5 0 0", state, out));
    EXPECT_FALSE(ProcessSpecial("color push", state, out));
    EXPECT_FALSE(ProcessSpecial("color   ", state, out));
    EXPECT_EQ(out.Text(), "Invalid color triple: 1.5 0 0\nInvalid color name: \n");
    EXPECT_EQ(state.current, Rgb(255, 0, 0));
    EXPECT_EQ(state.stack.size(), 1u);
    // "colorful" counts as a colour special (whose colour "ful" is unknown).
    out.Clear();
    EXPECT_FALSE(ProcessSpecial("colorful Green", state, out));
    EXPECT_EQ(out.Text(), "unknown color name: ful\n");
    EXPECT_TRUE(ProcessSpecial("color Green", state, out));
    EXPECT_EQ(state.current, Rgb(0, 255, 0));
    // Everything else is kept without effect.
    EXPECT_TRUE(ProcessSpecial("papersize=210mm,297mm", state, out));
    EXPECT_TRUE(ProcessSpecial("ps: 1 0 0 setrgbcolor", state, out));
    EXPECT_EQ(state.current, Rgb(0, 255, 0));
}

TEST(GraphicsSpecials, RecognitionAndClassification) {
    EXPECT_TRUE(IsGraphicsSpecial("psfile=\"fig.eps\" llx=0"));
    EXPECT_TRUE(IsGraphicsSpecial("PSfile=\"fig.eps\""));
    EXPECT_TRUE(IsGraphicsSpecial("bmp:photo.bmp 100 200"));
    EXPECT_TRUE(IsGraphicsSpecial("wmf:x.wmf"));
    EXPECT_FALSE(IsGraphicsSpecial("psfile=fig.eps"));
    EXPECT_FALSE(IsGraphicsSpecial("ps: 0 0 moveto"));

    auto kind = [](std::vector<std::string> texts) {
        std::vector<SpecialRecord> specials;
        for (auto& t : texts) {
            specials.push_back({0, 0, t});
        }
        return ClassifyPageSpecials(specials);
    };
    EXPECT_EQ(kind({"src:12a.tex", "color push Red", "html:<a>", "papersize=a4"}), kPageKindPlain);
    EXPECT_EQ(kind({"src:1x.tex", "psfile=\"a.eps\" llx=0"}), kPageKindGraphics);
    EXPECT_EQ(kind({"ps: 1 setgray", "psfile=\"a.eps\""}), kPageKindPostScript);
    EXPECT_EQ(kind({"psfile=\"a.eps\"", "ps: 1 setgray"}), kPageKindPostScript);
    EXPECT_EQ(kind({"psfile=a.eps"}), kPageKindPostScript);
}

TEST(GraphicsSpecials, FileResolution) {
    test::TempDir dir;
    dir.Write("project/here.png", "x");
    dir.Write("figs/sub/fig.eps", "x");
    dir.Write("extra/other.pdf", "x");
    StringSink out;
    GraphicsSearch search;
    search.baseDir = dir.File("project");

    std::string text = "bmp:here.png 100 200";
    EXPECT_TRUE(ResolveGraphicsSpecial(text, search, out));
    EXPECT_EQ(text, "bmp here.png 100 200");

    text = "psfile=\"sub/fig.eps\" llx=0";
    EXPECT_FALSE(ResolveGraphicsSpecial(text, search, out));
    EXPECT_EQ(out.Text(), "Cannot find file: sub/fig.eps\n");

    out.Clear();
    search.figurePath = {dir.File("figs")};
    search.extraTexInputPath = {dir.File("extra") + "/"};
    text = "psfile=\"sub/fig.eps\" llx=0";
    EXPECT_TRUE(ResolveGraphicsSpecial(text, search, out));
    EXPECT_EQ(text, "psfile=\"" + dir.File("figs") + "/sub/fig.eps\" llx=0");
    text = "eps:other.pdf";
    EXPECT_TRUE(ResolveGraphicsSpecial(text, search, out));
    EXPECT_EQ(text, "eps " + dir.File("extra") + "/other.pdf");
    EXPECT_EQ(out.Text(), "");

    // Unaccepted extensions are dropped silently; other specials pass untouched.
    text = "psfile=\"notes.txt\"";
    EXPECT_FALSE(ResolveGraphicsSpecial(text, search, out));
    text = "ps: 1 0 0 setrgbcolor";
    EXPECT_TRUE(ResolveGraphicsSpecial(text, search, out));
    EXPECT_EQ(text, "ps: 1 0 0 setrgbcolor");
    EXPECT_EQ(out.Text(), "");
}

// Records what the converter hands to the library.
class RecordingLibrary : public SpecialLibrary {
  public:
    void SetConsole(OutputSink*) override {}
    int DoTLVSpecial(const SpecialRequest* request) override {
        texts.push_back(request->text);
        size = request->size;
        dc = request->deviceContext;
        resolution = request->resolution;
        reserved = request->reserved;
        magnification = request->magnification;
        request->output("gsave % graphic\n", -1);
        return 1;
    }
    void SetInsertionMode(int) override {}
    bool GetInfo(const std::string&, GraphicSize*) override { return false; }
    std::unique_ptr<RgbImage> GetBitmap(const std::string&, int) override { return nullptr; }

    std::vector<std::string> texts;
    int32_t size = 0, resolution = 0, reserved = -1, magnification = 0;
    uintptr_t dc = 1;
};

TEST(GraphicsSpecials, ExcludedSpecialsBecomePostScript) {
    test::TempDir dir;
    dir.Write("figs/plot.eps", "%!PS");
    StringSink out;
    GraphicsSearch search;
    search.figurePath = {dir.File("figs")};
    RecordingLibrary library;
    std::string written;
    const SpecialOutputFunction output = [&written](const char* text, int length) {
        written.append(text, length < 0 ? std::strlen(text) : static_cast<size_t>(length));
        return 1;
    };

    EXPECT_FALSE(ConvertExcludedSpecial("%%Page: 1 1", output, 600, 1000, search, library, out));
    EXPECT_TRUE(ConvertExcludedSpecial("%%QuirnSpecialExcluded: psfile=\"plot.eps\" llx=0", output,
                                       600, 1200, search, library, out));
    ASSERT_EQ(library.texts.size(), 1u);
    EXPECT_EQ(library.texts[0], "psfile=\"" + dir.File("figs") + "/plot.eps\" llx=0");
    EXPECT_EQ(library.size, 28);
    EXPECT_EQ(library.dc, 0u);
    EXPECT_EQ(library.resolution, 600);
    EXPECT_EQ(library.reserved, 0);
    EXPECT_EQ(library.magnification, 1200);
    EXPECT_EQ(written, "gsave % graphic\n");

    // A file that cannot be found drops the line (with the message) without a call.
    EXPECT_TRUE(ConvertExcludedSpecial("%%QuirnSpecialExcluded: bmp:missing.bmp 10 10", output, 600,
                                       1000, search, library, out));
    EXPECT_EQ(library.texts.size(), 1u);
    EXPECT_EQ(out.Text(), "Cannot find file: missing.bmp\n");
}

}  // namespace
}  // namespace quirn
