// quirn-cli tpm: package manifests and archives. `info` shows what a manifest says,
// `list` the installed and available packages, `install` and `remove` change the
// data roots as the package dialog does, `pack` makes a package archive from a TeX
// tree and `index` the missing-file database for a folder of archives.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "cli/commands.h"
#include "cli/package_session.h"
#include "packages/package_installer.h"
#include "packages/package_lists.h"
#include "packages/package_maker.h"
#include "packages/tpm_package.h"
#include "platform/download.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

const char* const kUsage =
    "info FILE | list [--repository DIR] [--list FILE|URL] | install FILE|NAME [--repository "
    "DIR] [--list FILE|URL] [--answer yes|no] | remove FILE|NAME | pack DIR NAME -o FILE "
    "[--version TEXT] [--description TEXT] [--collection] | index DIR -o FILE [--url BASE]";

struct Arguments {
    std::vector<std::string> positional;
    std::string repository;
    std::string list;
    std::string output;
    std::string version;
    std::string description;
    std::string url;
    bool hasRepository = false;
    bool collection = false;
    bool yes = true;
};

// Reads the options `allowed` names (each takes a value); false for anything else.
bool Parse(const std::vector<std::string>& args, size_t first, const std::string& allowed,
           Arguments& a) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--collection" && allowed.find("--collection ") != std::string::npos) {
            a.collection = true;
            continue;
        }
        if (!arg.starts_with("--") && arg != "-o") {
            a.positional.push_back(arg);
            continue;
        }
        if (allowed.find(arg + " ") == std::string::npos || i + 1 >= args.size())
            return false;
        const std::string& value = args[++i];
        if (arg == "--repository") {
            a.repository = value;
            a.hasRepository = true;
        } else if (arg == "--list") {
            a.list = value;
        } else if (arg == "-o") {
            a.output = value;
        } else if (arg == "--version") {
            a.version = value;
        } else if (arg == "--description") {
            a.description = value;
        } else if (arg == "--url") {
            a.url = value;
        } else if (arg == "--answer") {
            if (value != "yes" && value != "no")
                return false;
            a.yes = value == "yes";
        }
    }
    return true;
}

const char* KindName(TpmFileEntry::Kind kind) {
    switch (kind) {
        case TpmFileEntry::Kind::Run:
            return "run";
        case TpmFileEntry::Kind::Doc:
            return "doc";
        case TpmFileEntry::Kind::Source:
            return "source";
    }
    return "run";
}

int Info(const std::string& file) {
    PackageSession session(stderr, true);
    if (!session.Start())
        return 1;
    const std::string path = AbsolutePath(file, StartFolder());
    TpmPackage package;
    if (!RegularFileExists(path) || !package.Read(path)) {
        std::fprintf(stderr, "quirn-cli: not a package: %s\n", file.c_str());
        return 1;
    }
    PrintLine({"path", EscapeField(package.Path())});
    PrintLine({"archive", package.IsArchive() ? "yes" : "no"});
    for (const auto& [name, value] : package.Properties()) {
        if (!name.empty())
            PrintLine({"property", EscapeField(name), EscapeField(value)});
    }
    for (const std::string& name : package.Requires())
        PrintLine({"requires", EscapeField(name)});
    for (const std::string& name : package.AddMapParameters())
        PrintLine({"addmap", EscapeField(name)});
    for (const TpmFileEntry& entry : package.FileList()) {
        std::string target = TpmTargetOf(entry.relativePath, session.Context().roots);
        PrintLine({"file", KindName(entry.kind), EscapeField(entry.relativePath),
                   target.empty() ? "-" : EscapeField(target)});
    }
    return 0;
}

// The gathering's sources: the stored repository folder (after --repository has been
// checked and stored) and the package list (downloaded first when it is an address).
// Returns 0 to go on, or the exit status.
class Sources {
  public:
    explicit Sources(PackageSession& session) : session_(session) {}
    ~Sources() {
        if (!downloaded_.empty())
            ::unlink(downloaded_.c_str());
    }

    int Prepare(const Arguments& a) {
        Profile& profile = session_.GetProfile();
        if (a.hasRepository) {
            const std::string folder = AbsolutePath(a.repository, StartFolder());
            if (a.repository.empty() || !DirectoryExists(folder)) {
                session_.Prompt().ShowMessage("The specified path is invalid");
                return 1;
            }
            profile.WriteText("Settings", "TPMrepository", folder);
        }
        sources_.roots = session_.Context().roots;
        sources_.repository = profile.GetText("Settings", "TPMrepository", "");
        if (a.list.empty())
            return 0;
        if (IsDownloadAddress(a.list)) {
            const std::string folder = session_.Context().temporary.Path();
            std::string error;
            downloaded_ = folder.empty() ? "" : JoinPath(folder, DownloadFileName(a.list));
            if (downloaded_.empty() || !DownloadFile(a.list, downloaded_, error)) {
                std::fprintf(stderr, "quirn-cli: cannot download %s\n", a.list.c_str());
                return 1;
            }
            sources_.packageList = downloaded_;
        } else {
            sources_.packageList = AbsolutePath(a.list, StartFolder());
        }
        return 0;
    }
    const PackageSources& Get() const { return sources_; }

  private:
    PackageSession& session_;
    PackageSources sources_;
    std::string downloaded_;
};

int List(const Arguments& a) {
    if (!a.positional.empty())
        return WrongUsage("tpm");
    PackageSession session(stderr, true);
    if (!session.Start())
        return 1;
    Sources sources(session);
    if (int status = sources.Prepare(a))
        return status;
    PackageLists lists = GatherPackages(sources.Get());
    for (const auto& [kind, list] :
         {std::pair{"installed", &lists.installed}, std::pair{"available", &lists.available}}) {
        for (const TpmPackage& package : *list) {
            PrintLine({kind, EscapeField(package.DisplayName()),
                       EscapeField(package.Property("Version")), EscapeField(package.Path())});
        }
    }
    return 0;
}

void PrintOutcome(const TpmFileOutcome& outcome) {
    switch (outcome.what) {
        case TpmFileOutcome::What::Placed:
            PrintLine({"placed", EscapeField(outcome.relativePath), EscapeField(outcome.target)});
            break;
        case TpmFileOutcome::What::Skipped:
            PrintLine({"skipped", EscapeField(outcome.relativePath)});
            break;
        case TpmFileOutcome::What::Failed:
            PrintLine({"failed", EscapeField(outcome.relativePath), EscapeField(outcome.target)});
            break;
        case TpmFileOutcome::What::Removed:
            PrintLine({"removed", EscapeField(outcome.target)});
            break;
    }
    std::fflush(stdout);
}

int Install(const Arguments& a) {
    if (a.positional.size() != 1)
        return WrongUsage("tpm");
    PackageSession session(stderr, a.yes);
    if (!session.Start())
        return 1;
    Sources sources(session);
    if (int status = sources.Prepare(a))
        return status;
    const std::string& argument = a.positional[0];
    const std::string path = AbsolutePath(argument, StartFolder());
    TpmPackage package;
    if (RegularFileExists(path)) {
        if (!package.Read(path)) {
            std::fprintf(stderr, "quirn-cli: not a package: %s\n", argument.c_str());
            return 1;
        }
    } else {
        const std::string name = WithoutPackageMarkers(argument);
        PackageLists lists = GatherPackages(sources.Get());
        const TpmPackage* found = lists.FindAvailable(name);
        if (found == nullptr) {
            std::fprintf(stderr, "quirn-cli: no package %s\n", name.c_str());
            return 1;
        }
        package = *found;
    }
    const std::string name = package.GetName();
    for (const TpmPackage& installed : GatherInstalledPackages(sources.Get())) {
        if (installed.GetName() == name) {
            if (!session.Prompt().AskYesNo("A package '" + name +
                                           "' is already present in Quirn.\nWould you like to "
                                           "install this on top of the existing package?"))
                return 1;
            break;
        }
    }
    PackageInstaller installer(session.Context());
    installer.SetReport(PrintOutcome);
    if (!installer.Install(package))
        return 1;
    PrintLine({"installed", EscapeField(name)});
    return 0;
}

int Remove(const Arguments& a) {
    if (a.positional.size() != 1)
        return WrongUsage("tpm");
    PackageSession session(stderr, true);
    if (!session.Start())
        return 1;
    const std::string& argument = a.positional[0];
    const std::string path = AbsolutePath(argument, StartFolder());
    TpmPackage package;
    if (RegularFileExists(path)) {
        if (!package.Read(path)) {
            std::fprintf(stderr, "quirn-cli: not a package: %s\n", argument.c_str());
            return 1;
        }
    } else {
        const std::string name = WithoutPackageMarkers(argument);
        PackageSources sources;
        sources.roots = session.Context().roots;
        bool found = false;
        for (TpmPackage& installed : GatherInstalledPackages(sources)) {
            if (installed.GetName() == name) {
                package = std::move(installed);
                found = true;
                break;
            }
        }
        if (!found) {
            std::fprintf(stderr, "quirn-cli: no package %s\n", name.c_str());
            return 1;
        }
    }
    PackageInstaller installer(session.Context());
    installer.SetReport(PrintOutcome);
    installer.Remove(package);
    return 0;
}

int Pack(const Arguments& a) {
    if (a.positional.size() != 2 || a.output.empty())
        return WrongUsage("tpm");
    PackOptions options{a.version, a.description, a.collection};
    std::string error;
    const std::string archive = AbsolutePath(a.output, StartFolder());
    if (!PackPackage(AbsolutePath(a.positional[0], StartFolder()), a.positional[1], archive,
                     options, error)) {
        std::fprintf(stderr, "quirn-cli: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", EscapeField(archive).c_str());
    return 0;
}

int Index(const Arguments& a) {
    if (a.positional.size() != 1 || a.output.empty())
        return WrongUsage("tpm");
    std::string error;
    const std::string target = AbsolutePath(a.output, StartFolder());
    int count =
        WriteMissingFileIndex(AbsolutePath(a.positional[0], StartFolder()), target, a.url, error);
    if (count < 0) {
        std::fprintf(stderr, "quirn-cli: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\t%d\n", EscapeField(target).c_str(), count);
    return 0;
}

int TpmCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return WrongUsage("tpm");
    const std::string& verb = args[0];
    Arguments a;
    if (verb == "info") {
        if (args.size() != 2)
            return WrongUsage("tpm");
        return Info(args[1]);
    }
    if (verb == "list")
        return Parse(args, 1, "--repository --list ", a) ? List(a) : WrongUsage("tpm");
    if (verb == "install")
        return Parse(args, 1, "--repository --list --answer ", a) ? Install(a) : WrongUsage("tpm");
    if (verb == "remove")
        return Parse(args, 1, "", a) ? Remove(a) : WrongUsage("tpm");
    if (verb == "pack")
        return Parse(args, 1, "-o --version --description --collection ", a) ? Pack(a)
                                                                             : WrongUsage("tpm");
    if (verb == "index")
        return Parse(args, 1, "-o --url ", a) ? Index(a) : WrongUsage("tpm");
    return WrongUsage("tpm");
}

}  // namespace

QUIRN_CLI_COMMAND(
    "tpm", kUsage, "read, list, install, remove and make packages",
    "Package manifests (.tpm) and package archives (.zip holding a manifest).\n"
    "info FILE\n"
    "  what the manifest says, one line each: \"path\\tPATH\", \"archive\\tyes|no\",\n"
    "  \"property\\tNAME\\tVALUE\" (names in byte order), \"requires\\tNAME\",\n"
    "  \"addmap\\tNAME\", \"file\\trun|doc|source\\tRELPATH\\tTARGET\" (TARGET \"-\" for an\n"
    "  entry without target)\n"
    "list\n"
    "  \"installed\\tNAME\\tVERSION\\tPATH\" per installed package, then\n"
    "  \"available\\tNAME\\tVERSION\\tPATH\" per package that can be installed; a web\n"
    "  package's name ends with \" (WEB)\"\n"
    "install FILE|NAME\n"
    "  installs an archive, a manifest, or an available package by name:\n"
    "  \"placed\\tRELPATH\\tTARGET\", \"skipped\\tRELPATH\" or \"failed\\tRELPATH\\tTARGET\"\n"
    "  per listed file, then \"installed\\tNAME\". A failed install leaves the data\n"
    "  roots as they were.\n"
    "remove FILE|NAME\n"
    "  deletes the package's files: \"removed\\tTARGET\" per file deleted,\n"
    "  \"skipped\\tRELPATH\" per entry without target\n"
    "pack DIR NAME -o FILE\n"
    "  packs a folder laid out as a TeX tree (tex/latex/NAME/..., doc/...,\n"
    "  source/...) into a package archive with its manifest (--collection: the\n"
    "  manifest of a collection); prints the archive's path\n"
    "index DIR -o FILE\n"
    "  writes the missing-file database for the archives in DIR and prints\n"
    "  \"FILE\\tCOUNT\"; a FILE ending in .zip is the database archive a package\n"
    "  server offers as /v6/tlv-jit.zip; --url BASE puts BASE/ before each archive's\n"
    "  name (an address, or a path relative to the package server)\n"
    "--repository DIR   the package repository folder (stored for later runs)\n"
    "--list FILE|URL    a downloaded package list for this command\n"
    "--answer yes|no    the answer to the question about installing over a package\n"
    "Message boxes and questions go to standard error as \"message: \" and\n"
    "\"question: \" lines, and so does what the output window would show.\n"
    "Exit status: 0 success, 1 failure or refusal, 2 wrong command line.\n",
    TpmCommand);

}  // namespace quirn::cli
