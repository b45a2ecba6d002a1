// "Typeset" with a project current: its format and mode are the engine's for the run,
// the run's used files refresh the project's list, and the project file is written
// when the command ends.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/project_session.h"

namespace quirn::cli {

using UsedFilesHandler =
    std::function<void(const std::string& mainFile, const std::vector<std::string>& usedFiles)>;
int TypesetWithProject(const std::string& file, const std::string& format, const std::string& mode,
                       bool yes, const UsedFilesHandler& usedFiles);

int ProjectTypeset(ProjectSession& session, Project& project, const std::string& file, bool yes) {
    UsedFilesHandler refresh = [&](const std::string& mainFile,
                                   const std::vector<std::string>& used) {
        session.List().RefreshFilesAfterTypeset(project, mainFile, used);
    };
    int result = TypesetWithProject(file, project.texformat, project.typesetmode, yes, refresh);
    if (!session.Save(project))
        return result == 0 ? 1 : result;
    return result;
}

}  // namespace quirn::cli
