// quirn-cli project VERB ...: one session of the program's project list per command.
// The paths are opened in order with OpenProject, the verb's operation runs, and the
// session ends; only the files written and the "Workspace"/"Projects" setting remain.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/project_session.h"
#include "platform/paths.h"
#include "projects/workspace_tree.h"

namespace quirn::cli {

int ProjectTypeset(ProjectSession& session, Project& project, const std::string& file, bool yes);

namespace {

const char* const kUsage =
    "VERB PATH... [FILE...|NAME] [--format NAME] [--mode DVI|PDF] [--answer yes|no]";

struct Arguments {
    std::vector<std::string> positional;
    std::string format;
    std::string mode;
    bool hasFormat = false;
    bool hasMode = false;
    bool hasAnswer = false;
    bool yes = true;
};

bool Parse(const std::vector<std::string>& args, size_t from, Arguments& a) {
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "--format" && hasValue) {
            a.format = args[++i];
            a.hasFormat = true;
        } else if (arg == "--mode" && hasValue) {
            a.mode = args[++i];
            if (!IsModeName(a.mode))
                return false;
            a.hasMode = true;
        } else if (arg == "--answer" && hasValue) {
            const std::string& v = args[++i];
            if (v != "yes" && v != "no")
                return false;
            a.yes = v == "yes";
            a.hasAnswer = true;
        } else if (arg.rfind("--", 0) == 0) {
            return false;
        } else {
            a.positional.push_back(arg);
        }
    }
    return true;
}

bool AllExist(const std::vector<std::string>& names, std::vector<std::string>& paths) {
    for (const std::string& name : names) {
        std::string path = AbsoluteArgument(name);
        if (!FileExists(path)) {
            std::fprintf(stderr, "quirn-cli: cannot find %s\n", path.c_str());
            return false;
        }
        paths.push_back(path);
    }
    return true;
}

int SaveAndPrint(ProjectSession& session, Project& project) {
    if (!session.Save(project))
        return 1;
    session.PrintBlock(project);
    return 0;
}

int NotAFile(const std::string& file) {
    std::fprintf(stderr, "quirn-cli: not a file of the project: %s\n", file.c_str());
    return 1;
}

int ProjectCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return WrongUsage("project");
    const std::string verb = args[0];
    Arguments a;
    if (!Parse(args, 1, a))
        return WrongUsage("project");
    const size_t n = a.positional.size();
    bool optionsAllowed = (verb == "save" && !a.hasAnswer) ||
                          ((verb == "close" || verb == "typeset") && !a.hasFormat && !a.hasMode) ||
                          (!a.hasFormat && !a.hasMode && !a.hasAnswer);
    bool countOk = (verb == "show" || verb == "tree" || verb == "close")        ? n >= 1
                   : verb == "save"                                             ? n == 1
                   : verb == "add"                                              ? n >= 2
                   : verb == "remove" || verb == "set-main" || verb == "rename" ? n == 2
                   : verb == "reopen"                                           ? n == 0
                   : verb == "typeset"                                          ? n == 1 || n == 2
                                                                                : false;
    if (!countOk || !optionsAllowed)
        return WrongUsage("project");
    if (verb == "rename" && a.positional[1].empty())
        return WrongUsage("project");

    ProjectSession session(a.yes);
    if (a.hasFormat)
        session.OverrideFormat(a.format);
    if (a.hasMode)
        session.OverrideMode(a.mode);
    ProjectList& list = session.List();

    if (verb == "reopen") {
        if (session.SettingInt("ProjectReopen", 1) != 0) {
            std::string joined = session.GetProfile().GetText("Workspace", "Projects", "");
            for (const std::string& path : ProjectList::SplitPaths(joined)) {
                if (!FileExists(path))
                    continue;
                if (!session.OpenAll({path}))
                    return 1;
            }
        }
        for (const auto& p : list.Projects())
            session.PrintBlock(*p);
        return 0;
    }

    // The project paths; for the verbs that name files, the first positional only.
    bool allPaths = verb == "show" || verb == "tree" || verb == "close";
    std::vector<std::string> names =
        allPaths ? a.positional : std::vector<std::string>{a.positional[0]};
    std::vector<std::string> paths;
    if (!AllExist(names, paths))
        return 1;
    // Files named after the project path (add, remove, set-main, typeset).
    std::vector<std::string> files;
    if (verb == "add") {
        if (!AllExist({a.positional.begin() + 1, a.positional.end()}, files))
            return 1;
    } else if (verb == "remove" || verb == "set-main" || (verb == "typeset" && n == 2)) {
        files.push_back(AbsoluteArgument(a.positional[1]));
    }
    if (!session.OpenAll(paths))
        return 1;

    if (verb == "show") {
        for (const auto& p : list.Projects())
            session.PrintBlock(*p);
        return 0;
    }
    if (verb == "tree") {
        for (const WorkspaceTreeItem& item : BuildWorkspaceTree(list)) {
            std::string line(static_cast<size_t>(item.level) * 2, ' ');
            line += item.label;
            if (item.kind == WorkspaceTreeItem::Kind::File)
                line += " [" + std::to_string(item.image) + "]";
            std::printf("%s\n", line.c_str());
        }
        return 0;
    }
    if (verb == "close") {
        const std::string joined = list.JoinedPaths();
        int createPtp = session.SettingInt("ProjectCreatePTP", 1);
        while (!list.Empty()) {
            Project& project = *list.Projects().front();
            std::string path = project.path;
            bool saved = false;
            list.Close(project, createPtp, session.Prompt(), &saved);
            std::printf("closed=%s saved=%s\n", path.c_str(), saved ? "yes" : "no");
        }
        session.GetProfile().WriteText("Workspace", "Projects", joined);
        return 0;
    }

    Project& project = *list.Find(paths[0]);
    if (verb == "save") {
        if (a.hasFormat)
            project.texformat = a.format;
        if (a.hasMode)
            project.typesetmode = UpperCase(a.mode);
        return SaveAndPrint(session, project);
    }
    if (verb == "add") {
        std::vector<std::string> lines;
        for (const std::string& file : files) {
            bool present = project.Contains(file);
            if (!present)
                list.AddFile(project, file);
            lines.push_back((present ? "present=" : "added=") + file);
        }
        if (!session.Save(project))
            return 1;
        for (const std::string& line : lines)
            std::printf("%s\n", line.c_str());
        session.PrintBlock(project);
        return 0;
    }
    if (verb == "remove") {
        switch (list.RemoveFile(project, files[0], session.Prompt())) {
            case ProjectList::Removal::NotInProject:
                return NotAFile(files[0]);
            case ProjectList::Removal::MainFile:
                return 1;
            case ProjectList::Removal::Removed:
                break;
        }
        return SaveAndPrint(session, project);
    }
    if (verb == "set-main" || (verb == "typeset" && !files.empty())) {
        if (project.IndexOf(files[0]) < 0)
            return NotAFile(files[0]);
        if (!IsTeXSource(files[0])) {
            std::fprintf(stderr, "quirn-cli: not a TeX source: %s\n", files[0].c_str());
            return 1;
        }
    }
    if (verb == "set-main") {
        list.SetMainFile(project, files[0]);
        return SaveAndPrint(session, project);
    }
    if (verb == "rename") {
        list.Rename(project, a.positional[1]);
        return SaveAndPrint(session, project);
    }
    // typeset
    return ProjectTypeset(session, project, files.empty() ? project.MainFile() : files[0], a.yes);
}

}  // namespace

QUIRN_CLI_COMMAND(
    "project", kUsage, "open projects and show, change, close or typeset them",
    "VERB: show, tree, save, add, remove, set-main, rename, close, reopen, typeset.\n"
    "Each command is one session of the program: the project list starts empty, every\n"
    "PATH (a project file, a TeX source or any file of a project) is opened as the\n"
    "program opens a project, the operation runs, and the session ends.\n"
    "  show PATH...               prints the block of every project of the list\n"
    "  tree PATH...               prints the workspace tree, two blanks per level;\n"
    "                             file items end with their image number in brackets\n"
    "  save PATH [--format NAME] [--mode DVI|PDF]\n"
    "                             writes the project file (the options replace the\n"
    "                             project's format and mode)\n"
    "  add PATH FILE...           adds files (\"added=FILE\" or \"present=FILE\")\n"
    "  remove PATH FILE           removes a file other than the main file\n"
    "  set-main PATH FILE         makes a TeX source the main file; the project is\n"
    "                             saved as that file with the extension \"ptp\"\n"
    "  rename PATH NAME           renames the project\n"
    "  close PATH... [--answer yes|no]\n"
    "                             closes every project as at the program's exit\n"
    "                             (\"closed=PTP saved=yes|no\") and remembers them\n"
    "  reopen                     opens the remembered projects as start-up does\n"
    "  typeset PATH [FILE] [--answer yes|no]\n"
    "                             typesets the main file (or FILE) with the project's\n"
    "                             format and mode, as quirn-cli typeset does\n"
    "A project block is: path=, name=, texformat=, typesetmode=, spellwordlist=, a\n"
    "file= line per file (the main file first) and a window=N FILE line per window\n"
    "open on the project's files, top-most first. The commands that change a project\n"
    "write its file and then print its block.\n"
    "A project file that is not one: \"quirn-cli: not a Quirn project file: PTP\",\n"
    "exit status 1, nothing written. Exit status 2 for a wrong command line.\n",
    ProjectCommand);

}  // namespace quirn::cli
