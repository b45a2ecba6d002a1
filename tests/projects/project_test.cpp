#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"
#include "projects/project_list.h"
#include "projects/workspace_tree.h"
#include "support/test_support.h"

namespace quirn {
namespace {

class Window : public ProjectWindow {
  public:
    explicit Window(std::string path) : path_(std::move(path)) {}
    std::string DocumentPath() const override { return path_; }
    Kind ViewKind() const override {
        return ExtensionOf(path_) == "dvi" ? Kind::PageView : Kind::Editor;
    }
    std::string PlacementText() const override { return placement; }
    void ApplyPlacement(const std::string& text) override { placement = text; }
    std::string PositionText() const override { return position; }
    void RestorePosition(const std::string& text) override { position = text; }
    std::string placement = "1 -1 -1 -1 -1 0 0 0 0";
    std::string position = "0";

  private:
    std::string path_;
};

// The program's frame windows as a stack, top-most first.
class Host : public ProjectHost {
  public:
    std::string CurrentFormat() override { return format; }
    std::string CurrentMode() override { return mode; }
    void SetCurrentFormat(const std::string& f) override { format = f; }
    void SetCurrentMode(const std::string& m) override { mode = m; }
    ProjectWindow* OpenDocument(const std::string& path) override {
        if (!RegularFileExists(path))
            return nullptr;
        stack.insert(stack.begin(), std::make_unique<Window>(path));
        return stack.front().get();
    }
    std::vector<ProjectWindow*> FrameWindows() override {
        std::vector<ProjectWindow*> w;
        for (auto& s : stack)
            w.push_back(s.get());
        return w;
    }
    void Activate(ProjectWindow* window) override {
        auto it =
            std::find_if(stack.begin(), stack.end(), [&](auto& s) { return s.get() == window; });
        std::rotate(stack.begin(), it, it + 1);
    }
    bool CloseWindow(ProjectWindow* window) override {
        stack.erase(
            std::find_if(stack.begin(), stack.end(), [&](auto& s) { return s.get() == window; }));
        return true;
    }
    OutputSink& Output() override { return output; }

    std::string format = "latex";
    std::string mode = "DVI";
    std::vector<std::unique_ptr<Window>> stack;
    StringSink output;
};

TEST(ProjectFile, WindowsAndRelativeFilesSurviveAWriteAndARead) {
    test::TempDir dir;
    std::string main = dir.Write("thesis.tex", "x");
    std::string chap = dir.Write("chapters/chap1.tex", "x");
    std::string dvi = dir.Write("thesis.dvi", "x");
    Host host;
    ProjectList list(host);
    Project* p = list.Open(main);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->files, (std::vector<std::string>{main, dvi}));  // the DVI beside it joins
    list.AddFile(*p, chap);
    EXPECT_FALSE(list.AddFile(*p, dir.Path() + "/CHAPTERS/Chap1.TEX"));  // ignoring case
    // Two windows on one file and a page view; the chapter on top.
    host.OpenDocument(dvi)->RestorePosition("12 34");
    Window* second = static_cast<Window*>(host.OpenDocument(main));
    second->placement = "3 -1 -1 -1 -1 10 20 300 400";
    host.OpenDocument(chap)->RestorePosition("17");
    ASSERT_TRUE(WriteProjectFile(*p, host));
    EXPECT_EQ(test::ReadFile(p->path),
              "# Quirn Project File, Version 1.1\n\tname: thesis\n\ttexformat: latex\n"
              "\ttypesetmode: DVI\n\tspellwordlist: \n"
              "thesis.tex\n"
              "\twndpos: 3 -1 -1 -1 -1 10 20 300 400\n\tzorder: 1\n\tedit: 0\n"
              "\twndpos: 1 -1 -1 -1 -1 0 0 0 0\n\tzorder: 3\n\tedit: 0\n"
              "thesis.dvi\n\twndpos: 1 -1 -1 -1 -1 0 0 0 0\n\tzorder: 2\n\tview: 12 34\n"
              "chapters/chap1.tex\n\twndpos: 1 -1 -1 -1 -1 0 0 0 0\n\tzorder: 0\n"
              "\tedit: 17\n");

    // Read back in a fresh program: the same files and windows in the same order, the
    // format becoming the engine's.
    Host again;
    again.format = "plain";
    ProjectList reopened(again);
    Project* q = reopened.Open(p->path);
    EXPECT_EQ(q->files, (std::vector<std::string>{main, dvi, chap}));
    EXPECT_EQ(again.format, "latex");
    ASSERT_EQ(again.stack.size(), 4u);
    EXPECT_EQ(again.stack[0]->DocumentPath(), chap);
    EXPECT_EQ(again.stack[0]->position, "17");
    EXPECT_EQ(again.stack[1]->placement, "3 -1 -1 -1 -1 10 20 300 400");
    EXPECT_EQ(again.stack[2]->position, "12 34");
    EXPECT_EQ(reopened.Open(chap), q);  // a file of an open project reuses it
    EXPECT_EQ(reopened.Projects().size(), 1u);
}

TEST(ProjectFile, DamagedFilesAreRefusedAndNeverWrittenOver) {
    test::TempDir dir;
    dir.Write("a.tex", "x");
    for (std::string content :
         {std::string(), std::string("junk\n"), std::string("# Quirn Project File, Version 2.0\n"),
          std::string("# Quirn Project File, Version 1.1")}) {
        std::string ptp = dir.Write("a.ptp", content);
        Host host;
        ProjectRead read;
        Project p = CreateProject(ptp, host, &read);
        EXPECT_EQ(read, ProjectRead::NotProject) << content;
        EXPECT_FALSE(WriteProjectFile(p, host));
        EXPECT_EQ(test::ReadFile(ptp), content);
    }
    // Version 1.0 with carriage returns, keys after a file line, "./" and "\" lines, a
    // window on a missing file and a cut last line.
    std::string ptp =
        dir.Write("b.ptp",
                  "# Quirn Project File, Version 1.0\r\n\tname: Bee\r\n\ttypesetmode: PDF\r\n"
                  "# note\r\n\r\n.\\sub\\one.tex\r\n\tname: ignored\r\n./sub/one.tex\r\n"
                  "gone.tex\r\n\twndpos: 1 2 3 4 5 6 7 8 9\r\n\tzorder: 0\r\nlast.txt");
    Host host;
    ProjectRead read;
    Project p = CreateProject(ptp, host, &read);
    EXPECT_EQ(read, ProjectRead::Read);
    EXPECT_EQ(p.name, "Bee");
    EXPECT_EQ(p.typesetmode, "PDF");
    EXPECT_EQ(p.texformat, "latex");  // the engine's, since the file names none
    EXPECT_EQ(p.files, (std::vector<std::string>{dir.File("sub/one.tex"), dir.File("sub/one.tex"),
                                                 dir.File("gone.tex"), dir.File("last.txt")}));
    EXPECT_EQ(host.output.Text(),
              "Unable to open project document: " + dir.File("gone.tex") + "\n");
}

TEST(ProjectList, TreeGroupsMainFileAndTypesetRefresh) {
    test::TempDir dir;
    std::string main = dir.Write("thesis.tex", "x");
    Host host;
    ProjectList list(host);
    Project& p = *list.Open(main);
    for (const char* f : {"chap.ltx", "thesis.pdf", "fig1.pdf", "pic.PNG", "thesis.aux",
                          "notes.txt", "thesis.dvi", "other.ps"})
        list.AddFile(p, dir.File(f));
    std::string tree;
    for (const WorkspaceTreeItem& item : BuildWorkspaceTree(list)) {
        tree += std::string(static_cast<size_t>(item.level) * 2, ' ') + item.label;
        if (item.image >= 0)
            tree += " [" + std::to_string(item.image) + "]";
        tree += "\n";
    }
    EXPECT_EQ(tree,
              "Workspace \n  Project thesis\n    thesis.tex [2]\n"
              "    Additional TeX files\n      chap.ltx [2]\n"
              "    Figure files\n      fig1.pdf [4]\n      pic.PNG [4]\n      other.ps [4]\n"
              "    Generated files\n      thesis.aux [4]\n"
              "    Other files\n      notes.txt [4]\n"
              "    Output files\n      thesis.pdf [4]\n      thesis.dvi [3]\n");

    ScriptedPrompt prompt;
    EXPECT_EQ(list.RemoveFile(p, main, prompt), ProjectList::Removal::MainFile);
    EXPECT_EQ(prompt.messages.back(), "You may not remove the main file in a project");
    EXPECT_EQ(list.RemoveFile(p, dir.File("nothere.tex"), prompt),
              ProjectList::Removal::NotInProject);

    // Only a run of the main file changes the list.
    list.RefreshFilesAfterTypeset(p, dir.File("chap.ltx"), {"./x.tex"});
    EXPECT_EQ(p.files.size(), 9u);
    list.RefreshFilesAfterTypeset(
        p, main, {"./chapters/c1.tex", "/usr/share/article.cls", "./thesis.aux", ".\\pic.png"});
    EXPECT_EQ(p.files,
              (std::vector<std::string>{main, dir.File("thesis.log"), dir.File("chapters/c1.tex"),
                                        dir.File("thesis.aux"), dir.File("pic.png")}));

    ASSERT_TRUE(list.SetMainFile(p, dir.File("chapters/c1.tex")));
    EXPECT_EQ(p.path, dir.File("chapters/c1.ptp"));
    EXPECT_EQ(p.MainFile(), dir.File("chapters/c1.tex"));

    // Closing with "ask" and a No writes nothing; the list forgets the project.
    ScriptedPrompt no(false);
    bool saved = true;
    EXPECT_TRUE(list.Close(p, 2, no, &saved));
    EXPECT_FALSE(saved);
    EXPECT_EQ(no.questions,
              std::vector<std::string>{"Would you like to save project information for "
                                       "\"thesis\"?"});
    EXPECT_FALSE(FileExists(dir.File("chapters/c1.ptp")));
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(host.stack.empty());
}

}  // namespace
}  // namespace quirn
