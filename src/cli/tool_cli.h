// What quirn-cli bibtex, makeindex and tool share: the tool runner's dialogs answered
// from the command line ("choose: TITLE" on standard error, answered by the next
// --choose PATH; none left is Cancel), the beep as a "beep" line, and the start of a
// prepared tool with its "run:" and "cwd:" lines.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "typeset/tool_runner.h"

namespace quirn::cli {

class PackageSession;

class CliToolSeams : public ToolSeams {
  public:
    ToolDocument document;
    std::string mainFile;
    std::deque<std::string> choices;

    ToolDocument ActiveDocument() override { return document; }
    std::string MainFileOfCurrentProject() override { return mainFile; }
    std::string ChooseFile(const std::string& title, const std::string& filter,
                           const std::string& folder) override;
    void Beep() override;
};

// Takes every "--choose PATH" out of `args`; false when one lacks its path.
bool TakeChooseOptions(std::vector<std::string>& args, std::deque<std::string>& choices);

// Prints "run:" and "cwd:" and runs the tool: a captured tool with Quirn's prepared
// environment and its output on standard output, any other as the shell starts it,
// with the environment Quirn was started with. Returns the tool's exit status (1 when
// it could not be started).
int RunPreparedTool(const ToolLaunch& launch, PackageSession& session);

// RunBibTeX / RunMakeIndex on FILE as the current project's main file.
int RunProjectTool(const ToolRecord& tool, const std::string& file, PackageSession& session);

}  // namespace quirn::cli
