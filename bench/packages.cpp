// Package timings (see bench/packages.sh):
//   lookup:  FindPackageForFile in a 40,000-line missing-file database after its first
//            load (limit 20 ms a lookup), and the first lookup that reads it;
//   install: installing an archive of 200 files into empty data roots (limit 1 s);
//   list:    gathering the package lists over 500 installed manifests (limit 200 ms).
// Every figure is the median of ROUNDS runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "packages/missing_files.h"
#include "packages/package_lists.h"
#include "packages/package_maker.h"
#include "packages/tpm_package.h"
#include "platform/temp_folder.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    quirn::TempFolder temporary;
    const fs::path base = temporary.MakeFolder("bench-packages");
    if (base.empty()) {
        std::fprintf(stderr, "cannot make a scratch folder\n");
        return 1;
    }
    const std::string root = (base / "root").string() + "/";

    // lookup: 13,334 records of three lines, eight file names each.
    std::string database = "ID: bench\n";
    int lines = 1;
    for (int i = 0; lines < 40000; ++i, lines += 3) {
        database += "url: http://127.0.0.1:8000/pkgs/p" + std::to_string(i) + ".zip\n";
        database += "Name: p" + std::to_string(i) + "\nFiles: ";
        for (int f = 0; f < 8; ++f)
            database += "file" + std::to_string(i) + "-" + std::to_string(f) + ".sty ";
        database += "\n";
    }
    Write(fs::path(root) / "tpm/jitdb.txt", database);
    quirn::AppContext context;
    context.roots = {root, root, root, root};
    std::vector<double> first, lookups;
    for (int r = 0; r < rounds; ++r) {
        quirn::MissingFileResolver resolver(context);
        auto start = Clock::now();
        bool found = resolver.FindPackageForFile("file13000-7.sty").found;
        first.push_back(Ms(start));
        start = Clock::now();
        for (int i = 0; i < 1000; ++i)
            found = resolver.FindPackageForFile("file" + std::to_string(i * 13) + "-3.sty").found &&
                    found;
        lookups.push_back(Ms(start) / 1000);
        if (!found) {
            std::fprintf(stderr, "lookup failed\n");
            return 1;
        }
    }
    std::printf(
        "lookup: %d lines, first (reads the database) %.2f ms, then %.4f ms a lookup "
        "(limit 20)\n",
        lines, Median(first), Median(lookups));

    // install: 200 files of 2 KiB.
    for (int i = 0; i < 200; ++i)
        Write(base / "tree/tex/latex/big" / ("part" + std::to_string(i) + ".sty"),
              std::string(2048, 'a' + i % 26));
    std::string error;
    const std::string archive = (base / "big.zip").string();
    if (!quirn::PackPackage((base / "tree").string(), "big", archive, {}, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    quirn::TpmPackage big;
    big.Read(archive);
    std::vector<double> installs;
    for (int r = 0; r < rounds; ++r) {
        const std::string target = (base / ("install" + std::to_string(r))).string() + "/";
        quirn::TpmInstallContext install;
        install.roots = {target, target, target, target};
        auto start = Clock::now();
        if (!big.Install(install)) {
            std::fprintf(stderr, "install failed\n");
            return 1;
        }
        installs.push_back(Ms(start));
    }
    std::printf("install: %zu files, %.1f ms (limit 1000)\n", big.FileList().size(),
                Median(installs));

    // list: 500 installed manifests.
    const std::string listRoot = (base / "list").string() + "/";
    for (int i = 0; i < 500; ++i) {
        const std::string name = "pkg" + std::to_string(i);
        Write(fs::path(listRoot) / "texmf/tpm/package" / (name + ".tpm"),
              "<?xml version=\"1.0\"?>\n<!DOCTYPE rdf:RDF SYSTEM \"../../tpm.dtd\">\n"
              "<rdf:RDF><rdf:Description about=\"" +
                  name + "\">\n<TPM:Name>" + name + "</TPM:Name>\n<TPM:Version>1." +
                  std::to_string(i) +
                  "</TPM:Version>\n<TPM:Description>A package for the list benchmark, with a "
                  "description of a usual length.</TPM:Description>\n<TPM:RunFiles size=\"3\">"
                  "texmf/tex/latex/" +
                  name + "/" + name + ".sty\ntexmf/tex/latex/" + name + "/" + name +
                  ".cfg\ntexmf/tpm/packages/" + name +
                  ".tpm</TPM:RunFiles>\n"
                  "</rdf:Description>\n</rdf:RDF>\n");
    }
    quirn::PackageSources sources;
    sources.roots = {listRoot, listRoot, listRoot, listRoot};
    std::vector<double> gathers;
    for (int r = 0; r < rounds; ++r) {
        auto start = Clock::now();
        quirn::PackageLists lists = quirn::GatherPackages(sources);
        gathers.push_back(Ms(start));
        if (lists.installed.size() != 500) {
            std::fprintf(stderr, "listed %zu\n", lists.installed.size());
            return 1;
        }
    }
    std::printf("list: 500 manifests, %.1f ms (limit 200)\n", Median(gathers));
    std::printf("scratch: %s\n", base.c_str());
    return 0;
}
