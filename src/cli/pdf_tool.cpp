#include "cli/pdf_tool.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>

#include "app/data_roots.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"

namespace quirn::cli {

bool IsPdfFile(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    return strcasecmp(ext.c_str(), "pdf") == 0;
}

int RunPdfTool(const std::vector<std::string>& args) {
    const std::string program = ResolveProgram(FindInstallDir(), "quirn-pdf");
    if (!program.empty()) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::fflush(stdout);
        std::fflush(stderr);
        ::execv(program.c_str(), argv.data());
    }
    std::fprintf(stderr, "PDF helper program not found: quirn-pdf\n");
    return 1;
}

}  // namespace quirn::cli
