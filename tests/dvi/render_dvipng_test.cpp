// Quirn's page drawing against a reference rasteriser: the same DVI file, typeset by
// the real engine, drawn by `quirn-cli render` and by dvipng at 150 dpi. Both must
// put the same ink in the same places (one pixel of offset allowed), page by page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dvi/dvi_test_support.h"
#include "graphics/image_readers.h"
#include "support/test_support.h"

namespace quirn {
namespace {

const char* const kDocument = R"(\documentclass{article}
\usepackage{amsmath,amssymb}
\usepackage{xcolor}
% Debian's TeX Live lacks ly1enc.def; the bare encoding is enough to select Latin
% Modern's texnansi fonts, and \symbol reaches the upper half.
\DeclareFontEncoding{LY1}{}{}
\begin{document}
\section{Computer Modern}
The quick brown fox jumps over the lazy dog, \emph{fifty} times; \textbf{bold} and
\textsf{sans serif} and \texttt{typewriter}.
\[ \int_0^\infty e^{-x^2}\,dx = \frac{\sqrt{\pi}}{2}, \qquad
   \sum_{k=1}^{n} k^2 = \frac{n(n+1)(2n+1)}{6}, \qquad
   \mathbb{N} \subseteq \mathbb{Z} \lesssim \mathfrak{A} \boxtimes \circledast \]
\begin{align}
  f(x) &= \left( \frac{a+b}{c-d} \right)^{\!2} + \lim_{n\to\infty} \Bigl[ x_n \Bigr] \\
  \nabla \cdot \vec{E} &= \frac{\rho}{\varepsilon_0} \quad \forall \epsilon > 0
\end{align}
Colour: \textcolor{red}{red words}, \textcolor{blue}{blue}, \colorbox{yellow}{a yellow box}
and \fcolorbox{black}{green}{framed}; rules \rule{2cm}{0.4pt} and \rule[-1mm]{5mm}{3mm}.
\newpage
\fontfamily{ptm}\selectfont
\section{Times through virtual fonts}
Times Roman set through the psnfss virtual fonts: ``quotes'', ligatures ffi fl,
accents \'e \`a \^o \"u, dashes -- and ---, and \textit{italic} and \textbf{bold}.
{\color{red} A red paragraph in Times that runs long enough to break across a line
or two, so that colour survives the line break.} Back to black.
\newpage
\fontencoding{T1}\fontfamily{ptm}\selectfont
\section{Slanted and narrow PostScript fonts}
Fran\c{c}ais, Stra\ss e, \guillemotleft guillemets\guillemotright, ,,quotes`` and dashes -- ---.
{\fontshape{sl}\selectfont Slanted Times leans like this, also with accents \'e \`a \"o.}
{\font\narrow=pcrr8tn \narrow Narrow Courier is drawn at 85 per cent of its width.}
\newpage
\fontencoding{LY1}\fontfamily{lmr}\selectfont
\section{Latin Modern in the LY1 encoding}
Fran\symbol{"E7}ais, Stra\symbol{"DF}e, \symbol{"AB}guillemets\symbol{"BB},
\symbol{"93}quotes\symbol{"94}, dashes \symbol{"96} \symbol{"97}, ligatures ffi ffl,
\symbol{"C6}sop \symbol{"9C}uvre \symbol{"80} \symbol{"8A}\symbol{"8E}\symbol{"9F},
\textbf{bold \symbol{"E9}\symbol{"E0}\symbol{"F6}} and \textit{italic \symbol{"EE}\symbol{"F1}\symbol{"E5}}.
\end{document}
)";

struct InkComparison {
    int inkA = 0;  // ink pixels (over all channels) in the first image
    int inkB = 0;
    int unmatched = 0;       // ink pixels without ink in the other image nearby
    int largestCluster = 0;  // the largest connected group of unmatched pixels
};

// Ink of one channel. The two rasterisers smooth edges differently (the reference
// draws thin strokes lighter), so a clearly inked pixel of one picture only needs a
// trace of ink in the other nearby.
bool Ink(const RgbImage& img, int x, int y, int c) {
    return img.Pixel(x, y)[c] < 100;
}
bool Trace(const RgbImage& img, int x, int y, int c) {
    return img.Pixel(x, y)[c] < 220;
}

bool InkNear(const RgbImage& img, int x, int y, int c) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < img.width && ny < img.height && Trace(img, nx, ny, c)) {
                return true;
            }
        }
    }
    return false;
}

// Compares the ink of two pictures of the same size in each colour channel; a pixel
// of ink counts as matched when the other picture has ink within one pixel.
InkComparison CompareInk(const RgbImage& a, const RgbImage& b) {
    InkComparison r;
    std::vector<uint8_t> miss(static_cast<size_t>(a.width) * a.height, 0);
    for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const bool ia = Ink(a, x, y, c), ib = Ink(b, x, y, c);
                r.inkA += ia;
                r.inkB += ib;
                if ((ia && !InkNear(b, x, y, c)) || (ib && !InkNear(a, x, y, c))) {
                    miss[static_cast<size_t>(y) * a.width + x] = 1;
                }
            }
        }
    }
    // Connected groups of unmatched pixels: a missing or misplaced character shows as
    // a large one, a difference of anti-aliasing as scattered single pixels.
    std::vector<int> stack;
    for (int start = 0; start < static_cast<int>(miss.size()); ++start) {
        if (miss[start] != 1) {
            continue;
        }
        int size = 0;
        stack.push_back(start);
        miss[start] = 2;
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            ++size;
            const int px = p % a.width, py = p / a.width;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = px + dx, ny = py + dy;
                    if (nx < 0 || ny < 0 || nx >= a.width || ny >= a.height) {
                        continue;
                    }
                    const int q = ny * a.width + nx;
                    if (miss[q] == 1) {
                        miss[q] = 2;
                        stack.push_back(q);
                    }
                }
            }
        }
        r.unmatched += size;
        r.largestCluster = std::max(r.largestCluster, size);
    }
    return r;
}

bool ReadPicture(const std::string& path, RgbImage& image) {
    std::vector<uint8_t> bytes;
    std::string error;
    return ReadFileBytes(path, &bytes, &error) &&
           ReadBitmap(bytes, ImageReadMode::Full, &image, &error);
}

std::string KeepForInspection(const std::string& path, const std::string& name) {
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path dir =
        std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "quirn-render-failures";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path target = dir / name;
    std::filesystem::copy_file(path, target, std::filesystem::copy_options::overwrite_existing, ec);
    return target.string();
}

// Typesets `source` in `dir`, draws its pages with Quirn and with dvipng on `paper`
// ("W,H" as dvipng takes it) and expects the same picture size and ink on each.
void ExpectSameInkAsDvipng(const test::TempDir& dir, const std::string& name,
                           const std::string& source, const std::string& paper, int pages) {
    const std::string dvi = test::TypesetDvi(dir, name, source);
    ASSERT_FALSE(dvi.empty());

    std::string out, err;
    ASSERT_EQ(test::RunCommand("cd '" + dir.Path() + "' && dvipng -q -D 150 -T " + paper +
                                   " -O 1in,1in -o " + name + "-ref%d.png " + name + ".dvi",
                               &out, &err),
              0)
        << err;
    ASSERT_EQ(
        test::RunCommand("'" + test::Program("quirn-cli") + "' render '" + dvi +
                             "' --dpi 150 --aa always -o '" + dir.File(name + "-quirn%d.png") + "'",
                         &out, &err),
        0)
        << err;
    // Every font was found and drawn.
    EXPECT_EQ(err, "");

    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(name + " page " + std::to_string(page));
        const std::string mine = dir.File(name + "-quirn" + std::to_string(page) + ".png");
        const std::string ref = dir.File(name + "-ref" + std::to_string(page) + ".png");
        RgbImage a, b;
        ASSERT_TRUE(ReadPicture(mine, a));
        ASSERT_TRUE(ReadPicture(ref, b));
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        const InkComparison r = CompareInk(a, b);
        // Not blank, no group of unmatched pixels the size of a full stop, and only
        // scattered differences of smoothing.
        const bool same =
            r.inkA > 2000 && r.inkB > 2000 && r.largestCluster <= 4 && r.unmatched * 200 <= r.inkB;
        const std::string kept = name + "-page" + std::to_string(page);
        EXPECT_TRUE(same) << "ink " << r.inkA << " vs " << r.inkB << ", unmatched " << r.unmatched
                          << ", largest unmatched cluster " << r.largestCluster
                          << "\n  Quirn:  " << KeepForInspection(mine, kept + "-quirn.png")
                          << "\n  dvipng: " << KeepForInspection(ref, kept + "-dvipng.png");
    }
}

TEST(RenderAgainstDvipng, SameInkInTheSamePlacesOnEveryPage) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    ExpectSameInkAsDvipng(dir, "doc", kDocument, "8.5in,11in", 4);
}

// A4 papers, upright and turned, named by the papersize special the geometry package
// writes: the page is A4 (text at the foot of an A4 page lies below a Letter page's
// edge, and the turned page's right end beyond a Letter page's width).
TEST(RenderAgainstDvipng, A4PapersFromThePaperSizeSpecial) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string text =
        "\\section{Paper}\n"
        "Lines of text that fill the measure of the page from its left margin to its right "
        "one, so that the ink reaches the far edge of the text block on every paper.\n\n"
        "\\vfill\n"
        "The last lines of the page stand at its foot, below the place where a Letter "
        "page would already have ended, and are drawn only on the right paper size.\n";
    ExpectSameInkAsDvipng(dir, "upright",
                          "\\documentclass{article}\\usepackage[a4paper,margin=1in]{geometry}"
                          "\\begin{document}\n" +
                              text + "\\end{document}\n",
                          "210mm,297mm", 1);
    ExpectSameInkAsDvipng(dir, "turned",
                          "\\documentclass{article}"
                          "\\usepackage[a4paper,landscape,margin=1in]{geometry}"
                          "\\begin{document}\n" +
                              text + "\\end{document}\n",
                          "297mm,210mm", 1);
}

// Agreement of ink in one colour channel: the share of `mine`'s clearly inked pixels
// (below half intensity) that have a trace of ink in the reference within one pixel
// (precision), and the share of the reference's that have one in `mine` (recall).
// Glyphs drawn bolder than the reference lose precision, thinner ones recall.
struct InkAgreement {
    double precision = 0;
    double recall = 0;
};
InkAgreement AgreeInk(const RgbImage& mine, const RgbImage& ref, int c) {
    long inkA = 0, inkB = 0, matchedA = 0, matchedB = 0;
    auto near = [c](const RgbImage& img, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < img.width && ny < img.height &&
                    img.Pixel(nx, ny)[c] < 128) {
                    return true;
                }
            }
        }
        return false;
    };
    for (int y = 0; y < mine.height; ++y) {
        for (int x = 0; x < mine.width; ++x) {
            if (mine.Pixel(x, y)[c] < 128) {
                ++inkA;
                matchedA += near(ref, x, y);
            }
            if (ref.Pixel(x, y)[c] < 128) {
                ++inkB;
                matchedB += near(mine, x, y);
            }
        }
    }
    return InkAgreement{inkA > 0 ? double(matchedA) / inkA : 0,
                        inkB > 0 ? double(matchedB) / inkB : 0};
}

// Typesets `source`, draws page `page` with Quirn and with dvipng at `dpi` on US
// Letter paper, and reads both pictures.
void RenderBoth(const test::TempDir& dir, const std::string& source, int dpi, int page,
                RgbImage& mine, RgbImage& ref, std::string* err) {
    const std::string dvi = test::TypesetDvi(dir, "doc", source);
    ASSERT_FALSE(dvi.empty());
    std::string out;
    const std::string pageText = std::to_string(page);
    ASSERT_EQ(test::RunCommand("cd '" + dir.Path() + "' && dvipng -q -D " + std::to_string(dpi) +
                                   " -T 8.5in,11in -O 1in,1in -p " + pageText + " -l " + pageText +
                                   " -o ref.png doc.dvi",
                               &out, err),
              0)
        << *err;
    ASSERT_EQ(test::RunCommand("'" + test::Program("quirn-cli") + "' render '" + dvi + "' --dpi " +
                                   std::to_string(dpi) + " --aa always --page " + pageText +
                                   " -o '" + dir.File("mine.png") + "'",
                               &out, err),
              0)
        << *err;
    ASSERT_TRUE(ReadPicture(dir.File("mine.png"), mine));
    ASSERT_TRUE(ReadPicture(dir.File("ref.png"), ref));
    ASSERT_EQ(mine.width, ref.width);
    ASSERT_EQ(mine.height, ref.height);
}

TEST(RenderAgainstDvipng, ColouredTextIsSmoothedLikeBlackText) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    // The same paragraph in black and in three colours, each on its own page.
    const std::string paragraph =
        "The quick brown fox jumps over the lazy dog, \\emph{fifty} times; \\textbf{bold} "
        "and \\textsf{sans serif}, $\\int_0^1 x^2\\,dx = \\frac13$. ";
    std::string source =
        "\\documentclass{article}\n\\usepackage{xcolor}\n\\pagestyle{empty}\n\\begin{document}\n";
    for (const char* colour : {"black", "red", "blue", "green!60!black"}) {
        source += std::string("{\\color{") + colour + "}" + paragraph + paragraph + paragraph +
                  "}\\newpage\n";
    }
    source += "\\end{document}\n";
    for (int page = 1; page <= 4; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        RgbImage mine, ref;
        std::string err;
        RenderBoth(dir, source, 150, page, mine, ref, &err);
        if (HasFatalFailure()) {
            return;
        }
        // Every channel the colour inks agrees (red text leaves the red channel white,
        // so it has no ink to compare there).
        for (int c = 0; c < 3; ++c) {
            const InkAgreement r = AgreeInk(mine, ref, c);
            if (r.recall == 0 && r.precision == 0) {
                continue;
            }
            EXPECT_GE(r.precision, 0.97) << "channel " << c << ", recall " << r.recall;
            EXPECT_GE(r.recall, 0.97) << "channel " << c << ", precision " << r.precision;
        }
    }
}

TEST(RenderAgainstDvipng, GlyphsTooLargeToCacheAreDrawnFromTheirOutlines) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    // 600 pt type at 600 dpi: an em of about 5000 pixels, black and coloured, beside
    // text of the usual size.
    const std::string source = R"(\documentclass{article}
\usepackage{xcolor}
\pagestyle{empty}
\begin{document}
\font\huge=cmr10 at 600pt
\noindent Ordinary text above.\par
\noindent{\huge o}\par
\noindent\hbox to 0pt{\hss}{\huge\color{blue}.}\quad{\huge\color{red}.}\par
\noindent Ordinary text below.
\end{document}
)";
    RgbImage mine, ref;
    std::string err;
    RenderBoth(dir, source, 600, 1, mine, ref, &err);
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(err, "");
    // The big letter alone inks hundreds of thousands of pixels, and the two pictures
    // about as many. Its edges run for thousands of pixels, where the two rasterisers
    // may differ by a pixel or two, so only the share of ink found at its place
    // counts here.
    const InkComparison r = CompareInk(mine, ref);
    EXPECT_GT(r.inkA, 200000);
    EXPECT_GT(r.inkB, 200000);
    EXPECT_NEAR(r.inkA, r.inkB, r.inkB / 50);
    for (int c = 0; c < 3; ++c) {
        const InkAgreement a = AgreeInk(mine, ref, c);
        EXPECT_GE(a.precision, 0.97) << "channel " << c << ", recall " << a.recall;
        EXPECT_GE(a.recall, 0.97) << "channel " << c << ", precision " << a.precision;
    }
}

// T1 and T2A (Cyrillic) text in Computer Modern, the manual's symbols, the logo font
// and picture-mode circles: fonts that, without an outline package, exist only as METAFONT sources.
// Quirn makes and draws their bitmaps as the reference does; both make them in a
// font cache of the test's own, so that what an earlier run made does not count.
TEST(RenderAgainstDvipng, MetafontOnlyFontsAreDrawnFromTheirBitmaps) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string source = R"(\documentclass{article}
\usepackage[T2A,T1]{fontenc}
\usepackage{mflogo}
\pagestyle{empty}
\begin{document}
\section{Fran\c{c}ais et Stra\ss e}
Fran\c{c}ais, Stra\ss e, \guillemotleft guillemets\guillemotright, ,,quotes`` and dashes
-- ---; \textbf{bold \'e\`a}, \textit{italic \"o}, \texttt{typewriter \^u} and
{\Large larger} text.
\begin{itemize}\item A bullet from the companion symbol font.\end{itemize}
{\font\man=cmman \man\char'170\char'171\char'172\char'20} and the \MF\ and \MP\ logos.
\setlength{\unitlength}{1mm}
\begin{picture}(40,20)\put(10,10){\circle{15}}\put(30,10){\circle*{6}}\end{picture}

{\fontencoding{T2A}\selectfont ^^d0^^9f^^d1^^80^^d0^^b8^^d0^^b2^^d0^^b5^^d1^^82,
^^d0^^bc^^d0^^b8^^d1^^80! \textbf{^^d0^^96^^d0^^b8^^d1^^80^^d0^^bd^^d1^^8b^^d0^^b9}
\textit{^^d0^^ba^^d1^^83^^d1^^80^^d1^^81^^d0^^b8^^d0^^b2} ^^d0^^81^^d0^^ab^^d0^^a9^^d0^^ae.}
\end{document}
)";
    const std::string dvi = test::TypesetDvi(dir, "doc", source);
    ASSERT_FALSE(dvi.empty());
    const std::string cache =
        "TEXMFVAR='" + dir.File("var") + "' VARTEXFONTS='" + dir.File("fonts") + "' ";
    std::string out, err;
    // Whether the TeX trees already hold the bitmaps of the T1 text font (then nothing
    // is made), or an outline maps it (then no bitmaps are needed).
    const bool made =
        test::RunCommand(cache + "kpsewhich -mode=cx -dpi=600 ecrm1000.pk", &out) != 0 &&
        test::RunCommand("kpsewhich ecrm1000.pfb sfrm1000.pfb", &out) != 0;
    for (const int dpi : {150, 300}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        const std::string d = std::to_string(dpi);
        ASSERT_EQ(test::RunCommand(cache + "'" + test::Program("quirn-cli") + "' render '" + dvi +
                                       "' --dpi " + d + " --aa always -o '" +
                                       dir.File("mine" + d + ".png") + "'",
                                   &out, &err),
                  0)
            << err;
        // Nothing is left undrawn. The bitmaps are made once, when first needed, and
        // say so; the second drawing finds them in the font cache.
        EXPECT_EQ(err.find("not drawn"), std::string::npos) << err;
        EXPECT_EQ(err.find("Could not"), std::string::npos) << err;
        const size_t making = err.find("Font ecrm1000 has no outline: making");
        EXPECT_EQ(making != std::string::npos, made && dpi == 150) << err;
        EXPECT_EQ(making, err.rfind("Font ecrm1000")) << err;
        ASSERT_EQ(test::RunCommand("cd '" + dir.Path() + "' && " + cache + "dvipng -q -D " + d +
                                       " -T 8.5in,11in -O 1in,1in -o ref" + d + ".png doc.dvi",
                                   &out, &err),
                  0)
            << err;
        RgbImage mine, ref;
        ASSERT_TRUE(ReadPicture(dir.File("mine" + d + ".png"), mine));
        ASSERT_TRUE(ReadPicture(dir.File("ref" + d + ".png"), ref));
        ASSERT_EQ(mine.width, ref.width);
        ASSERT_EQ(mine.height, ref.height);
        const InkComparison r = CompareInk(mine, ref);
        EXPECT_GT(r.inkB, 2000);
        // The reference draws from bitmaps METAFONT made at the resolution drawn, Quirn
        // resamples 600 dpi ones: at 300 dpi METAFONT places a stroke of a Cyrillic
        // capital a pixel further out, a cluster of about twenty pixels.
        EXPECT_LE(r.largestCluster, dpi == 300 ? 30 : 4)
            << KeepForInspection(dir.File("mine" + d + ".png"), "metafont-" + d + "-quirn.png");
        const InkAgreement a = AgreeInk(mine, ref, 0);
        EXPECT_GE(a.precision, 0.97) << "recall " << a.recall;
        EXPECT_GE(a.recall, 0.97) << "precision " << a.precision;
    }
}

// METAFONT makes no glyphs at some resolutions far from a font's design size: type
// at 0.5 pt and at 400 pt is drawn from bitmaps made within the sizes it can make,
// resampled, and never left out.
TEST(RenderAgainstDvipng, MetafontOnlyFontsFarFromTheirDesignSize) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string dvi = test::TypesetDvi(dir, "doc", R"(\documentclass{article}
\pagestyle{empty}
\begin{document}
\font\tiny=cmman at 0.5pt \font\huge=cmman at 400pt
\noindent{\tiny\char'170}\par
\noindent{\huge\char'170}
\end{document}
)");
    ASSERT_FALSE(dvi.empty());
    std::string out, err;
    ASSERT_EQ(
        test::RunCommand("TEXMFVAR='" + dir.File("var") + "' VARTEXFONTS='" + dir.File("fonts") +
                             "' '" + test::Program("quirn-cli") + "' render '" + dvi +
                             "' --dpi 30 --aa always -o '" + dir.File("mine.png") + "'",
                         &out, &err),
        0)
        << err;
    EXPECT_EQ(err.find("not drawn"), std::string::npos) << err;
    RgbImage mine;
    ASSERT_TRUE(ReadPicture(dir.File("mine.png"), mine));
    // The big letter: 400 pt at 30 dpi is an em of about 166 pixels.
    int ink = 0;
    for (int y = 0; y < mine.height; ++y) {
        for (int x = 0; x < mine.width; ++x) {
            ink += mine.Pixel(x, y)[0] < 128;
        }
    }
    EXPECT_GT(ink, 1000);
}

// The PNG colour type of a file: 0 grey, 2 RGB.
int PngColourType(const std::string& path) {
    const std::string bytes = test::ReadFile(path);
    return bytes.size() > 25 ? static_cast<unsigned char>(bytes[25]) : -1;
}

TEST(RenderCommand, SmoothingThresholdColourAndPageNames) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string dvi = test::TypesetDvi(dir, "doc", R"(\documentclass{article}
\usepackage{xcolor}
\begin{document}
Black text only.\newpage
Some \textcolor{red}{red} text.
\end{document}
)");
    ASSERT_FALSE(dvi.empty());
    const std::string cli = "'" + test::Program("quirn-cli") + "' render '" + dvi + "' ";
    std::string out, err;
    // "auto" smooths at 100 dpi and not at 101.
    for (const int dpi : {100, 101}) {
        ASSERT_EQ(
            test::RunCommand(cli + "--dpi " + std::to_string(dpi) + " --aa auto --page 1 -o '" +
                                 dir.File("auto" + std::to_string(dpi) + ".png") + "'",
                             &out, &err),
            0)
            << err;
        RgbImage image;
        ASSERT_TRUE(ReadPicture(dir.File("auto" + std::to_string(dpi) + ".png"), image));
        int levels[256] = {};
        for (size_t i = 0; i < image.pixels.size(); i += 3) {
            levels[image.pixels[i]] = 1;
        }
        int used = 0;
        for (int level : levels) {
            used += level;
        }
        EXPECT_EQ(used > 2, dpi == 100) << dpi << " dpi: " << used << " grey levels";
        EXPECT_EQ(PngColourType(dir.File("auto" + std::to_string(dpi) + ".png")), 0);
    }
    // Every page by default, named through %d; the coloured page is written in colour.
    ASSERT_EQ(
        test::RunCommand(cli + "--dpi 72 --aa never -o '" + dir.File("p%d.png") + "'", &out, &err),
        0)
        << err;
    EXPECT_EQ(PngColourType(dir.File("p1.png")), 0);
    EXPECT_EQ(PngColourType(dir.File("p2.png")), 2);
    EXPECT_EQ(test::RunCommand(cli + "--dpi 72 --pages 1-2 -o '" + dir.File("same.png") + "'", &out,
                               &err),
              2);
    EXPECT_NE(err.find("%d"), std::string::npos) << err;
    EXPECT_EQ(
        test::RunCommand(cli + "--dpi 72 --page 3 -o '" + dir.File("x.png") + "'", &out, &err), 1);
}

}  // namespace
}  // namespace quirn
