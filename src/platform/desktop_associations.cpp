#include "platform/desktop_associations.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/file_replacement.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/quiet_run.h"

namespace quirn {

namespace {

constexpr int kToolTimeoutMs = 60000;

// The desktop's own types for TeX and DVI files, and Quirn's for its project, package
// and workspace files.
const char* const kMimePackage = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/x-tex">
    <comment>TeX document</comment>
    <glob pattern="*.tex"/>
  </mime-type>
  <mime-type type="application/x-dvi">
    <comment>TeX DVI document</comment>
    <glob pattern="*.dvi"/>
  </mime-type>
  <mime-type type="application/x-quirn-project">
    <comment>Quirn project</comment>
    <glob pattern="*.ptp"/>
  </mime-type>
  <mime-type type="application/x-quirn-workspace">
    <comment>Quirn workspace</comment>
    <glob pattern="*.ptw"/>
  </mime-type>
  <mime-type type="application/x-tex-package">
    <comment>TeX package description</comment>
    <glob pattern="*.tpm"/>
  </mime-type>
</mime-info>
)";

// A desktop entry's Exec value: the program quoted as the entry format asks
// (backslash, quote, backquote and dollar escaped inside double quotes, and every
// backslash doubled again for the string syntax), then the files.
std::string ExecLine(const std::string& program) {
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        if (c == '\\')
            quoted += "\\\\\\";
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        quoted += c;
    }
    return quoted + "\" %F";
}

std::string DesktopEntry(const std::string& program) {
    std::string types;
    for (const auto& t : AssociatedMimeTypes())
        types += t + ";";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quirn\n"
           "GenericName=TeX Editor and Previewer\n"
           "Comment=Write, typeset and view TeX documents\n"
           "Exec=" +
           ExecLine(program) +
           "\n"
           "Terminal=false\n"
           "Categories=Office;Publishing;\n"
           "MimeType=" +
           types + "\n";
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::error_code ec;
    std::filesystem::create_directories(DirectoryOf(path), ec);
    FileReplacement file(path, 0644);
    return file.Opened() && file.Write(text.data(), text.size()) && file.Finish() && file.Replace();
}

std::string Failure(const std::string& what, const QuietRunResult& run) {
    std::string text = what;
    if (!run.started)
        return text + " (it could not be started)";
    while (!run.output.empty() && (text.empty() || text.back() != '\n'))
        text += "\n";
    return text + run.output;
}

}  // namespace

std::string DefaultDataHome() {
    return XdgBaseDirectory("XDG_DATA_HOME", ".local/share");
}

const std::vector<std::string>& AssociatedMimeTypes() {
    static const std::vector<std::string> types = {
        "text/x-tex", "application/x-dvi", "application/x-quirn-project",
        "application/x-quirn-workspace", "application/x-tex-package"};
    return types;
}

AssociationResult RegisterDesktopAssociations(const std::string& program,
                                              const std::string& installDir,
                                              const std::string& dataHome) {
    AssociationResult result;
    const std::string applications = JoinPath(dataHome, "applications");
    const std::string entry = JoinPath(applications, "quirn.desktop");
    const std::string mime = JoinPath(dataHome, "mime");
    const std::string package = JoinPath(mime, "packages/quirn.xml");
    if (!WriteFile(entry, DesktopEntry(program))) {
        result.message = "Unable to write " + entry + ": " + std::strerror(errno);
        return result;
    }
    if (!WriteFile(package, kMimePackage)) {
        result.message = "Unable to write " + package + ": " + std::strerror(errno);
        return result;
    }
    std::string xdgMime = ResolveProgram(installDir, "xdg-mime");
    if (xdgMime.empty()) {
        result.message =
            "The file types cannot be given to Quirn: xdg-mime (from the xdg-utils "
            "package) is not installed.";
        return result;
    }
    if (std::string update = ResolveProgram(installDir, "update-mime-database"); !update.empty()) {
        QuietRunResult run = RunQuietly(update, {mime}, kToolTimeoutMs);
        if (run.exitStatus != 0) {
            result.message = Failure("update-mime-database failed", run);
            return result;
        }
    }
    std::vector<std::string> args = {"default", "quirn.desktop"};
    args.insert(args.end(), AssociatedMimeTypes().begin(), AssociatedMimeTypes().end());
    QuietRunResult run = RunQuietly(xdgMime, args, kToolTimeoutMs);
    if (run.exitStatus != 0) {
        result.message = Failure("xdg-mime failed", run);
        return result;
    }
    if (std::string update = ResolveProgram(installDir, "update-desktop-database");
        !update.empty()) {
        RunQuietly(update, {applications}, kToolTimeoutMs);
    }
    result.ok = true;
    result.message = "Quirn now opens TeX, DVI, project and package files on this desktop.";
    return result;
}

}  // namespace quirn
