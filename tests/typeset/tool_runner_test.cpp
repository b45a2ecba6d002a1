#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "support/test_support.h"
#include "typeset/tool_runner.h"

namespace quirn {
namespace {

class ScriptedToolSeams : public ToolSeams {
  public:
    ToolDocument document;
    std::vector<std::string> answers;
    std::vector<std::string> asked;
    int beeps = 0;
    ToolDocument ActiveDocument() override { return document; }
    std::string ChooseFile(const std::string& title, const std::string&,
                           const std::string& folder) override {
        asked.push_back(title + "|" + folder);
        if (answers.empty())
            return {};
        std::string a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    void Beep() override { ++beeps; }
};

TEST(ToolRunner, ExpandsTemplatesAsTheMenuItemDoes) {
    test::TempDir dir;
    const std::string tex = dir.Write("my doc.tex", "");
    DataRoots roots{"/opt/quirn/", "/opt/quirn/", "/opt/quirn/", "/opt/quirn/"};
    ScriptedToolSeams seams;
    seams.document = {ToolDocument::TeX, tex};

    // FilenameParameter 1 with empty parameters: the full path between blanks; the
    // command stays one argument, the path with its blank one more.
    ToolRecord tool;
    tool.commandLine = "%i/bin/viewer";
    tool.filenameParameter = 1;
    tool.workingDirectory = "%w";
    auto launch = PrepareTool(tool, roots, seams);
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->commandLine, "/opt/quirn/bin/viewer  " + tex + " ");
    EXPECT_EQ(launch->workingDirectory, dir.Path());
    EXPECT_EQ(launch->arguments,
              (std::vector<std::string>{"/opt/quirn/bin/viewer", dir.Path() + "/my", "doc.tex"}));

    // %% and unknown codes; %v names the lower-case DVI file until an upper-case one
    // exists; a DVI document works on its own path.
    tool.filenameParameter = 0;
    tool.parameters = "%% %x %d %f %v";
    launch = PrepareTool(tool, roots, seams);
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->commandLine,
              "/opt/quirn/bin/viewer % %x " + dir.Path() + " my doc " + dir.Path() + "/my doc.dvi");
    dir.Write("my doc.DVI", "");
    seams.document = {ToolDocument::Dvi, dir.Path() + "/my doc.DVI"};
    launch = PrepareTool(tool, roots, seams);
    ASSERT_TRUE(launch);
    EXPECT_NE(launch->commandLine.find("/my doc.DVI"), std::string::npos);

    // No document and only %p: one question, for %p; cancelling it runs nothing.
    seams.document = {};
    tool.parameters = "-in %p";
    seams.answers = {"/tmp/chosen.eps"};
    launch = PrepareTool(tool, roots, seams);
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->commandLine, "/opt/quirn/bin/viewer -in /tmp/chosen.eps");
    EXPECT_EQ(seams.asked, (std::vector<std::string>{"%p|"}));
    ToolStop why = ToolStop::Nothing;
    EXPECT_FALSE(PrepareTool(tool, roots, seams, &why));
    EXPECT_EQ(why, ToolStop::Cancelled);

    // No document and %f: the tool's file dialog, opening in the installation
    // directory for a "%" folder; a document without a file runs nothing at all.
    seams.asked.clear();
    tool.parameters = "%f";
    EXPECT_FALSE(PrepareTool(tool, roots, seams));
    EXPECT_EQ(seams.asked, (std::vector<std::string>{"Select File For Tool:|/opt/quirn/"}));
    seams.document = {ToolDocument::TeX, ""};
    seams.asked.clear();
    EXPECT_FALSE(PrepareTool(tool, roots, seams));
    EXPECT_TRUE(seams.asked.empty());

    // A placeholder with nothing to expand beeps.
    seams.document = {ToolDocument::TeX, dir.Path() + "/.tex"};
    EXPECT_FALSE(PrepareTool(tool, roots, seams, &why));
    EXPECT_EQ(why, ToolStop::Beep);
    EXPECT_EQ(seams.beeps, 1);
}

TEST(ToolRunner, BibTeXDropsTheEightBitOptionAndSetsOnlyGivenVariables) {
    Settings settings;
    settings.bibtexOptions = "-8 -min-crossrefs=3 -8";
    settings.bibInput = "/home/me/bib";
    ToolRecord bibtex = BibTeXTool(settings);
    EXPECT_EQ(bibtex.parameters, " -min-crossrefs=3  %f");
    EXPECT_EQ(bibtex.environment, (EnvironmentBlock{"BIBINPUT=/home/me/bib"}));
    EXPECT_TRUE(bibtex.capture);
    EXPECT_TRUE(bibtex.project);

    ScriptedToolSeams seams;
    DataRoots roots;
    class Project : public ScriptedToolSeams {
      public:
        std::string MainFileOfCurrentProject() override { return "/work/book/main.tex"; }
    } project;
    auto launch = PrepareTool(MakeIndexTool(settings), roots, project);
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->commandLine.substr(launch->commandLine.size() - 5), " main");
    EXPECT_EQ(launch->workingDirectory, "/work/book");
    EXPECT_EQ(launch->arguments.back(), "main");
}

}  // namespace
}  // namespace quirn
