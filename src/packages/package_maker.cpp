#include "packages/package_maker.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "packages/tpm_package.h"
#include "platform/paths.h"
#include "platform/zip_archive.h"

namespace quirn {
namespace fs = std::filesystem;
namespace {

bool FitsManifest(const std::string& text) {
    return text.find_first_of("<>&\n\r") == std::string::npos;
}

std::string Today() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y/%m/%d", &utc);
    return buffer;
}

std::string FileListElement(const char* element, const std::vector<std::string>& files) {
    if (files.empty())
        return {};
    std::string text =
        std::string("    <TPM:") + element + " size=\"" + std::to_string(files.size()) + "\">";
    for (size_t i = 0; i < files.size(); ++i)
        text += (i > 0 ? "\n" : "") + files[i];
    return text + "</TPM:" + element + ">\n";
}

// Removes a file when it goes out of scope unless kept.
struct RemoveUnlessKept {
    std::string path;
    bool keep = false;
    ~RemoveUnlessKept() {
        if (!keep && !path.empty())
            ::unlink(path.c_str());
    }
};

}  // namespace

bool PackPackage(const std::string& folder, const std::string& name, const std::string& archive,
                 const PackOptions& options, std::string& error) {
    if (name.empty() || !FitsManifest(name) || name.find('/') != std::string::npos) {
        error = "not a usable package name: " + name;
        return false;
    }
    if (!FitsManifest(options.version) || !FitsManifest(options.description)) {
        error = "the version and description cannot hold <, >, & or line ends";
        return false;
    }
    std::string base = folder;
    if (DirectoryExists(JoinPath(folder, "texmf")))
        base = JoinPath(folder, "texmf");
    if (!DirectoryExists(base)) {
        error = "no such folder: " + folder;
        return false;
    }
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec))
            files.push_back(fs::relative(it->path(), base, ec).generic_string());
    }
    if (ec) {
        error = "cannot read " + base + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    const std::string manifestMember =
        std::string(options.collection ? "texmf/tpm/collections/" : "texmf/tpm/packages/") + name +
        ".tpm";
    std::vector<std::string> run, doc, source, maps;
    std::vector<ZipMember> members;
    for (const std::string& file : files) {
        if (!FitsManifest(file) || file.find(' ') == 0) {
            error = "a file name the manifest cannot list: " + file;
            return false;
        }
        const std::string member = "texmf/" + file;
        if (member == manifestMember)
            continue;  // an earlier manifest is replaced by the new one
        if (file.starts_with("doc/"))
            doc.push_back(member);
        else if (file.starts_with("source/"))
            source.push_back(member);
        else
            run.push_back(member);
        if (file.starts_with("fonts/map/") && file.ends_with(".map"))
            maps.push_back(FileNameOf(file));
        members.push_back({member, JoinPath(base, file)});
    }
    run.push_back(manifestMember);

    std::string manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE rdf:RDF SYSTEM \"../../../tpm.dtd\">\n"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
        "xmlns:TPM=\"urn:quirn:tpm\">\n"
        "  <rdf:Description about=\"" +
        name +
        "\">\n"
        "    <TPM:Name>" +
        name +
        "</TPM:Name>\n"
        "    <TPM:Type>" +
        (options.collection ? "Collection" : "Package") +
        "</TPM:Type>\n"
        "    <TPM:Date>" +
        Today() + "</TPM:Date>\n";
    if (!options.version.empty())
        manifest += "    <TPM:Version>" + options.version + "</TPM:Version>\n";
    manifest += "    <TPM:Title>" + name + "</TPM:Title>\n";
    if (!options.description.empty())
        manifest += "    <TPM:Description>" + options.description + "</TPM:Description>\n";
    manifest += FileListElement("RunFiles", run) + FileListElement("DocFiles", doc) +
                FileListElement("SourceFiles", source);
    manifest += "    <TPM:Requires>\n    </TPM:Requires>\n";
    if (!maps.empty()) {
        manifest += "    <TPM:Installation>\n";
        for (const std::string& map : maps)
            manifest += "      <TPM:Execute function=\"addMap\" parameter=\"" + map + "\"/>\n";
        manifest += "    </TPM:Installation>\n";
    }
    manifest += "  </rdf:Description>\n</rdf:RDF>\n";

    fs::create_directories(DirectoryOf(archive), ec);
    // The manifest goes into the archive from a file beside the archive, removed after.
    RemoveUnlessKept manifestFile{archive + ".manifest"};
    {
        std::ofstream out(manifestFile.path, std::ios::binary | std::ios::trunc);
        out << manifest;
        if (!out.flush()) {
            error = "cannot write " + manifestFile.path;
            return false;
        }
    }
    members.push_back({manifestMember, manifestFile.path});
    return WriteZipArchive(archive, members, error);
}

int WriteMissingFileIndex(const std::string& folder, const std::string& target,
                          const std::string& baseUrl, std::string& error) {
    std::vector<std::string> archives;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if ((name.ends_with(".zip") || name.ends_with(".zip.tpm")) && it->is_regular_file(ec))
            archives.push_back(name);
    }
    if (ec) {
        error = "cannot read " + folder + ": " + ec.message();
        return -1;
    }
    std::sort(archives.begin(), archives.end());

    std::string base = baseUrl;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    const auto stamp = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    std::string folderName = folder;
    while (folderName.size() > 1 && folderName.back() == '/')
        folderName.pop_back();
    std::string database = "ID: " + FileNameOf(folderName) + "-" + std::to_string(stamp) + "\n";
    int count = 0;
    for (const std::string& name : archives) {
        TpmPackage package;
        if (!package.Read(JoinPath(folder, name)) || package.GetName().empty())
            continue;
        std::string files;
        for (const TpmFileEntry& entry : package.FileList()) {
            const std::string file = FileNameOf(entry.relativePath);
            if (entry.kind == TpmFileEntry::Kind::Run && !file.ends_with(".tpm") && !file.empty() &&
                file.find(' ') == std::string::npos)
                files += file + " ";
        }
        database += "url: " + (base.empty() ? name : base + "/" + name) + "\n";
        database += "Name: " + package.GetName() + "\n";
        database += "Files: " + files + "\n";
        ++count;
    }

    fs::create_directories(DirectoryOf(target), ec);
    const bool asArchive = target.ends_with(".zip");
    const std::string databaseFile = asArchive ? target + ".jitdb" : target;
    RemoveUnlessKept written{databaseFile};
    {
        std::ofstream out(databaseFile, std::ios::binary | std::ios::trunc);
        out << database;
        if (!out.flush()) {
            error = "cannot write " + databaseFile;
            return -1;
        }
    }
    if (!asArchive) {
        written.keep = true;
        return count;
    }
    // The lists of classes and packages that go with the database are empty here.
    RemoveUnlessKept empty{target + ".empty"};
    std::ofstream(empty.path, std::ios::binary | std::ios::trunc).close();
    std::vector<ZipMember> members{{"jitdb.txt", databaseFile}};
    for (const char* list : {"cls.tpi", "popcls.tpi", "pkg.tpi", "poppkg.tpi"})
        members.push_back({list, empty.path});
    if (!WriteZipArchive(target, members, error))
        return -1;
    return count;
}

}  // namespace quirn
