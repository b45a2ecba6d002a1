// The conversion command and the graphics-insertion verbs on real files: Ghostscript,
// img2eps, latex and pdflatex as installed, stand-in interpreters only where the exact
// command line or a missing program matters.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>

#include "graphics/image_readers.h"
#include "graphics/vector_graphic_info.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

const char* kFigure =
    "%!PS-Adobe-3.0 EPSF-3.0\n"
    "%%BoundingBox: 10 20 110 70\n"
    "%%EndComments\n"
    "newpath 10 20 moveto 100 0 rlineto 0 50 rlineto -100 0 rlineto closepath fill\n"
    "showpage\n"
    "%%EOF\n";

class GraphicsCli : public ::testing::Test {
  protected:
    // Runs quirn-cli in the test folder with its own settings and TMPDIR.
    int Cli(const std::string& args, std::string* out, std::string* err,
            const std::string& env = {}) {
        ::mkdir(dir_.File("tmp").c_str(), 0755);
        return RunCommand("cd '" + dir_.Path() + "' && TMPDIR='" + dir_.File("tmp") +
                              "' QUIRN_CONFIG_DIR='" + dir_.File("config") + "' " + env + " '" +
                              Program("quirn-cli") + "' " + args,
                          out, err);
    }
    void SetSetting(const std::string& name, const std::string& value, bool integer) {
        std::string out;
        ASSERT_EQ(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/" + name + "' '" +
                          value + "'" + (integer ? " --int" : ""),
                      &out, nullptr),
                  0);
    }
    std::string Leftovers() {
        std::string out;
        RunCommand("ls -A '" + dir_.File("tmp") + "'", &out);
        return out;
    }
    static BoundingBox PdfBox(const std::string& path) {
        std::vector<uint8_t> bytes;
        std::string error;
        BoundingBox box;
        EXPECT_TRUE(ReadFileBytes(path, &bytes, &error)) << error;
        EXPECT_TRUE(FindPdfMediaBox(bytes, &box)) << path;
        return box;
    }
    TempDir dir_;
};

TEST_F(GraphicsCli, ConvertsWithGhostscriptAndImg2eps) {
    const std::string eps = dir_.Write("figs/box.eps", kFigure);
    std::string out, err;
    ASSERT_EQ(Cli("convert figs/box.eps --to pdf -o box.pdf", &out, &err), 0) << err;
    // (The interpreter's font folders come first, as "-I" arguments.)
    ASSERT_EQ(out.rfind("command: gs \"-I", 0), 0u) << out;
    EXPECT_EQ(out.substr(out.find(" -q ")),
              " -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile=\"" +
                  dir_.File("box.pdf") + "\"  -dEPSCrop \"box.eps\"\nfolder: " + dir_.File("figs") +
                  "\nwrote box.pdf\n");
    // The page is the figure's bounding box.
    const BoundingBox box = PdfBox(dir_.File("box.pdf"));
    EXPECT_NEAR(box.Width(), 100, 1);
    EXPECT_NEAR(box.Height(), 50, 1);

    ASSERT_EQ(Cli("convert box.pdf --to eps -o back.eps", &out, &err), 0) << err;
    EXPECT_NE(out.find("-sDEVICE=eps2write"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir_.File("back.eps")).rfind("%!PS-Adobe", 0), 0u);

    // A bitmap goes through img2eps, and to PDF through both.
    std::string error;
    const uint8_t pixels[] = {0, 0, 0, 255, 255, 255};
    ASSERT_TRUE(WritePng(dir_.File("dot.png"), 2, 1, 3, pixels, 6, &error, 72)) << error;
    ASSERT_EQ(Cli("convert dot.png --to eps -o dot.eps", &out, &err), 0) << err;
    EXPECT_EQ(out.rfind("command: img2eps \"" + dir_.File("dot.png") + "\" \"" +
                            dir_.File("dot.eps") + "\"\n",
                        0),
              0u)
        << out;
    EXPECT_NE(ReadFile(dir_.File("dot.eps")).find("%%BoundingBox: 0 0 2 1"), std::string::npos);
    ASSERT_EQ(Cli("convert dot.png --to pdf -o dot.pdf", &out, &err), 0) << err;
    EXPECT_NEAR(PdfBox(dir_.File("dot.pdf")).Width(), 2, 0.5);
    EXPECT_EQ(Leftovers(), "");

    // Failures: a missing input, no interpreter anywhere.
    EXPECT_EQ(Cli("convert none.eps --to pdf -o x.pdf", &out, &err), 1);
    EXPECT_EQ(err, "Cannot open file: none.eps\n");
    EXPECT_EQ(Cli("convert figs/box.eps --to pdf -o y.pdf", &out, &err,
                  "PATH=/nonexistent QUIRN_INSTALL_DIR='" + dir_.Path() + "'"),
              1);
    EXPECT_EQ(err,
              "PostScript interpreter not found: gs\nConversion failed: no output file y.pdf\n");
    EXPECT_EQ(Cli("convert figs/box.eps --to ps -o y.pdf", &out, &err), 2);
    EXPECT_EQ(Leftovers(), "");
}

TEST_F(GraphicsCli, UserCommandAndAfplChoiceBuildTheirCommands) {
    dir_.Write("figs/box.eps", kFigure);
    const std::string log = dir_.File("args.log");
    const std::string fake = dir_.Write(
        "fake-gs", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + log + "'\npwd >> '" + log + "'\n");
    ::chmod(fake.c_str(), 0755);
    SetSetting("PSRender6", "3", true);
    SetSetting("PSRenderCmd",
               fake + " -sDEVICE=%DEVICE -r%DPIx%DPI -g%WIDTHx%HEIGHT -sOutputFile=\"%OUTPUT\"",
               false);
    std::string out, err;
    EXPECT_EQ(Cli("convert figs/box.eps --to eps -o out.eps", &out, &err), 1);
    EXPECT_EQ(ReadFile(log), "-sDEVICE=eps2write\n-sOutputFile=" + dir_.File("out.eps") +
                                 "\nbox.eps\n" + dir_.File("figs") + "\n");

    SetSetting("PSRender6", "2", true);
    ASSERT_EQ(Cli("convert figs/box.eps --to pdf -o box.pdf", &out, &err), 0) << err;
    EXPECT_EQ(err.rfind("message: AFPL Ghostscript v", 0), 0u) << err;
    EXPECT_NE(err.find(" detected.\n"), std::string::npos);
    EXPECT_EQ(Cli("convert figs/box.eps --to pdf -o box.pdf", &out, &err, "PATH=/nonexistent"), 1);
    EXPECT_EQ(err.rfind("message: AFPL Ghostscript installation not detected\n", 0), 0u) << err;
}

TEST_F(GraphicsCli, InsertedGraphicsTypesetWithLatexAndPdflatex) {
    dir_.Write("my figs/box one.eps", kFigure);
    ::mkdir(dir_.File("figs").c_str(), 0755);
    const std::string tex = dir_.Write(
        "paper.tex", "\\documentclass{article}\n\\begin{document}\nText\n\\end{document}\n");
    std::string out, err;
    // The unsafe name is copied to the suggested one; the folder is still unsafe, so
    // the safe copy goes where --rename says.
    ASSERT_EQ(Cli("edit insert-graphic paper.tex 'my figs/box one.eps' --width 3 --height 1.5 "
                  "--keep-aspect --figure --caption 'A box' --label fig:box --rename figs/box.eps",
                  &out, &err),
              0)
        << out << err;
    EXPECT_EQ(out,
              "question: The graphics file name will not work with TeX\\n\\n   " +
                  dir_.File("my figs/box one.eps") +
                  "\\n\\n(the file name contains a space or another character that will "
                  "confuse TeX).\\n\\nChoose Yes to copy the file to a new directory or rename "
                  "the file.\\nSuggested name: box-one.eps\n"
                  "size: Original image is 1.38889in by 0.694444in, Page is   3in by 1.5in\n");
    const std::string text = ReadFile(tex);
    EXPECT_NE(text.find("\\usepackage{graphicx}\n\\graphicspath{{" + dir_.File("figs") +
                        "/}}\n\\begin{document}"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\\includegraphics[width=3in,height=1.5in,keepaspectratio]{box.eps}\n"
                        "  \\caption{A box}\n  \\label{fig:box}\n"),
              std::string::npos);
    RunCommand("cd '" + dir_.Path() + "' && latex -interaction=nonstopmode paper.tex", &out);
    // graphicx joins the \graphicspath entry and the name as they are ("figs//box.eps").
    EXPECT_NE(out.find("<" + dir_.File("figs") + "//box.eps>"), std::string::npos) << out;
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;

    // PDF mode: the EPS is converted beside the document and pdflatex reads the copy.
    const std::string pdfDoc = dir_.Write(
        "pdfdoc.tex", "\\documentclass{article}\n\\begin{document}\nText\n\\end{document}\n");
    ASSERT_EQ(Cli("edit insert-graphic pdfdoc.tex figs/box.eps --width 2 --height 1 --mode PDF "
                  "--align center",
                  &out, &err),
              0)
        << out << err;
    EXPECT_EQ(err, "Converted EPS to PDF for DVI/PDF compatibility\n");
    EXPECT_NE(ReadFile(pdfDoc).find("\\graphicspath{{" + dir_.File("converted_graphics") + "/}}"),
              std::string::npos);
    EXPECT_NE(ReadFile(pdfDoc).find(
                  "\\centerline{\\includegraphics[width=2in,height=1in]{box.pdf}}\\end{document}"),
              std::string::npos);
    RunCommand("cd '" + dir_.Path() + "' && pdflatex -interaction=nonstopmode pdfdoc.tex", &out);
    std::erase(out, '\n');  // TeX breaks long lines of its log
    EXPECT_NE(out.find("<" + dir_.File("converted_graphics") + "//box.pdf>"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;

    // The click on the inserted command reads it back.
    const size_t at = ReadFile(pdfDoc).find("box.pdf");
    ASSERT_EQ(Cli("edit edit-graphic pdfdoc.tex " + std::to_string(at), &out, &err), 0);
    EXPECT_EQ(out, "graphic: width=2in height=1in keepaspectratio=no file=box.pdf\n");
    EXPECT_EQ(Cli("edit edit-graphic pdfdoc.tex 0", &out, &err), 1);
    EXPECT_EQ(out,
              "message: Unrecognized \\includegraphics format\\nReplace this command using "
              "Insert..Graphic\n");
    EXPECT_EQ(Leftovers(), "");
}

TEST_F(GraphicsCli, PastedBitmapsMigrationBackupsAndFailures) {
    const std::string tex =
        dir_.Write("p.tex", "\\documentclass{article}\n\\begin{document}\n\\end{document}\n");
    // A 2 x 1 24-bit bitmap as the clipboard holds it.
    std::string dib = std::string("\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x18\0", 16);
    dib += std::string(24, '\0');
    dib += std::string("\0\0\xff\xff\xff\xff\0\0", 8);
    dir_.Write("clip.dib", dib);
    std::string out, err;
    ASSERT_EQ(Cli("edit paste-bitmap p.tex clip.dib --save-as pasted.bmp --width 1 --height 0.5",
                  &out, &err),
              0)
        << err;
    EXPECT_EQ(out,
              "question: You are trying to paste a graphics object directly into your TeX "
              "File.\\nThis cannot be done without some additional information\\nWould you like "
              "to use the Graphics Wizard to assist you?\n"
              "size: Image is 2px by 1px, Page is   1in by 0.5in\n");
    const std::string bmp = ReadFile(dir_.File("pasted.bmp"));
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(bmp.size(), 14 + dib.size());
    EXPECT_EQ(bmp[10], 54);  // pixels right after the 40-byte header
    EXPECT_NE(ReadFile(tex).find("]{pasted.bmp}\\end{document}"), std::string::npos);

    // No writes nothing; an unwritable place is reported.
    const std::string before = ReadFile(tex);
    EXPECT_EQ(Cli("edit paste-bitmap p.tex clip.dib --save-as no.bmp --width 1 --height 1 "
                  "--answer no",
                  &out, &err),
              0);
    EXPECT_FALSE(std::ifstream(dir_.File("no.bmp")).good());
    EXPECT_EQ(Cli("edit paste-bitmap p.tex clip.dib --save-as /nonexistent/x.bmp --width 1 "
                  "--height 1",
                  &out, &err),
              1);
    EXPECT_NE(out.find("message: Couldn't write to that location\n"), std::string::npos);
    EXPECT_EQ(ReadFile(tex), before);

    // A conversion that cannot be made (no interpreter) leaves the text alone.
    dir_.Write("g.pdf", "%PDF-1.4 damaged\n");
    EXPECT_EQ(Cli("edit insert-graphic p.tex g.pdf --width 1 --height 1", &out, &err,
                  "PATH=/nonexistent QUIRN_INSTALL_DIR='" + dir_.Path() + "'"),
              1);
    EXPECT_EQ(out, "size: Unknown graphics format\n");
    EXPECT_EQ(err, "PostScript interpreter not found: gs\n");
    EXPECT_EQ(ReadFile(tex), before);

    EXPECT_EQ(Cli("edit migrate-graphics p.tex", &out, &err), 0);
    EXPECT_EQ(out.rfind("question: This Wizard will replace older style graphics inclusions ( "
                        "such as \\setbmp, \\centereps, \\special)",
                        0),
              0u);
    EXPECT_EQ(err, "wrote backup file " + dir_.File("p.migrategraphics.tex") + "\n");
    EXPECT_EQ(Cli("edit migrate-graphics p.tex --answer yes", &out, &err), 0);
    EXPECT_EQ(err, "wrote backup file " + dir_.File("p.migrategraphics.1.tex") + "\n");
    EXPECT_EQ(ReadFile(dir_.File("p.migrategraphics.1.tex")), before);
    EXPECT_EQ(Cli("edit insert-graphic p.tex g.pdf --width x --height 1", &out, &err), 2);
    EXPECT_EQ(Cli("edit insert-graphic p.tex none.png --width 1 --height 1", &out, &err), 1);
    EXPECT_EQ(err, "Cannot open file: none.png\n");
    EXPECT_EQ(Leftovers(), "");
}

TEST_F(GraphicsCli, SavesPdfWithItsInformationAndExportsPages) {
    dir_.Write("box.eps", kFigure);
    dir_.Write("book.tex",
               "\\documentclass{article}\\usepackage{graphicx}\\begin{document}\n"
               "Page one\\newpage Page two \\includegraphics{box.eps}\n\\end{document}\n");
    std::string out, err;
    RunCommand("cd '" + dir_.Path() + "' && latex -interaction=nonstopmode book.tex", &out);
    ASSERT_TRUE(std::ifstream(dir_.File("book.dvi")).good()) << out;

    // dvips writes its own %%Title and %%Creator; the fields given still win.
    ASSERT_EQ(Cli("save-pdf book.dvi --title 'A (b) c' --author 'X\\Y' --keywords k1 -o book.pdf",
                  &out, &err),
              0)
        << err;
    EXPECT_EQ(out, "wrote book.pdf\n");
    EXPECT_NE(err.find("view: book.pdf\n"), std::string::npos) << err;
    RunCommand("pdfinfo '" + dir_.File("book.pdf") + "'", &out);
    EXPECT_NE(out.find("Title:           A (b) c\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Author:          X\\Y\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Keywords:        k1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Creator:         dvips"), std::string::npos) << out;
    EXPECT_NE(out.find("Pages:           2\n"), std::string::npos) << out;
    EXPECT_EQ(Cli("save-pdf book.dvi -o /nonexistent/x.pdf", &out, &err), 1);
    EXPECT_EQ(err, "Could not open file for writing: /nonexistent/x.pdf\n");

    // A stand-in interpreter sees the information first, then the parameters, then the
    // pages at 300 dpi.
    const std::string install = dir_.File("install");
    ::mkdir(install.c_str(), 0755);
    ::mkdir((install + "/bin").c_str(), 0755);
    const std::string gs = install + "/bin/gs";
    std::ofstream(gs) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << dir_.File("args") << "'\ncat > '"
                      << dir_.File("stdin") << "'\necho x > \"$(pwd)/fake.pdf\"\n";
    ::chmod(gs.c_str(), 0755);
    ASSERT_EQ(Cli("save-pdf box.eps --subset -o fake.pdf", &out, &err,
                  "QUIRN_INSTALL_DIR='" + install + "'"),
              0)
        << err;
    const std::string args = ReadFile(dir_.File("args"));
    EXPECT_NE(args.find("-sDEVICE=pdfwrite\n-sOutputFile=" + dir_.File("fake.pdf") +
                        "\n-r300x300\n-g416x208\n-\n"),
              std::string::npos)
        << args;
    const std::string input = ReadFile(dir_.File("stdin"));
    EXPECT_EQ(input.rfind(" [  /Title ()  /Subject ()  /Keywords ()  /Author ()  /Creator ()  "
                          "/CreationDate (",
                          0),
              0u)
        << input;
    EXPECT_NE(input.find("/DOCINFO pdfmark<< /SubsetFonts true  /UseFlateCompression true "
                         "/EmbedAllFonts true /AutoRotatePages /PageByPage /CompressPages true >> "
                         "setdistillerparams -10 -20 translate"),
              std::string::npos)
        << input;

    // Pages as EPS and as Illustrator paths that the interpreter reads back.
    ASSERT_EQ(Cli("export book.dvi --page 2 --as eps", &out, &err), 0) << err;
    EXPECT_EQ(out, "wrote book_page2.eps\n");
    const std::string eps = ReadFile(dir_.File("book_page2.eps"));
    EXPECT_EQ(eps.rfind("%!PS-Adobe-2.0 EPSF-2.0\n", 0), 0u);
    EXPECT_NE(eps.find("%%BoundingBox: "), std::string::npos);
    ASSERT_EQ(Cli("export book.dvi --page 2 --as ai -o p2.ai", &out, &err), 0) << err;
    EXPECT_EQ(out, "wrote p2.ai\n");
    EXPECT_EQ(err, "Adobe Illustrator Export complete\n");
    const std::string ai = ReadFile(dir_.File("p2.ai"));
    EXPECT_EQ(ai.rfind("%!PS-Adobe-3.0 EPSF-3.0\n", 0), 0u);
    EXPECT_NE(ai.find(" m\n"), std::string::npos);
    EXPECT_NE(ai.find("\nf\n"), std::string::npos);
    EXPECT_EQ(
        RunCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage '" + dir_.File("p2.ai") + "'",
                   &out, &err),
        0)
        << err;
    EXPECT_EQ(Cli("export book.dvi --page 3 --as eps", &out, &err), 1);
    EXPECT_EQ(err, "page 3 is not in the document (2 pages)\n");
    EXPECT_EQ(Leftovers(), "");
}

}  // namespace
}  // namespace quirn::test
