// PDF files are read by poppler, a shared library that this static program does not
// link: the sub-commands hand a PDF file over to the helper program quirn-pdf (in
// InstallDir/bin, else on PATH), which takes this process's place and prints exactly
// what the sub-command would.
#pragma once

#include <string>
#include <vector>

namespace quirn::cli {

// True for a ".pdf" file name, in any case.
bool IsPdfFile(const std::string& path);

// Replaces this process with "quirn-pdf ARGS..."; returns (exit status 1, after a
// message on standard error) only when the helper cannot be started.
int RunPdfTool(const std::vector<std::string>& args);

}  // namespace quirn::cli
