#include "postscript/ps_test_support.h"

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/temp_folder.h"

namespace quirn::test {

std::string BoxFigure() {
    return "%!PS-Adobe-3.0 EPSF-3.0\n"
           "%%BoundingBox: 10 20 110 70\n"
           "%%Pages: 1\n"
           "%%EndComments\n"
           "newpath 10 20 moveto 100 0 rlineto 0 50 rlineto -100 0 rlineto closepath fill\n"
           "%%EOF\n";
}

std::string LatexDvi(const TempDir& dir, const std::string& name, const std::string& source) {
    dir.Write(name + ".tex", source);
    std::string out;
    RunCommand("cd '" + dir.Path() + "' && latex -interaction=nonstopmode " + name + ".tex", &out);
    const std::string dvi = dir.File(name + ".dvi");
    return std::ifstream(dvi).good() ? dvi : std::string();
}

std::unique_ptr<OpenDvi> OpenDviDocument(const std::string& path, Settings settings) {
    auto open = std::make_unique<OpenDvi>();
    open->settings = std::move(settings);
    open->context =
        std::make_unique<DviContext>(BuildDir() + "/", &open->messages, &open->settings);
    open->doc = std::make_unique<CDVIDoc>(*open->context);
    if (!open->doc->OpenDocument(path)) {
        return nullptr;
    }
    return open;
}

std::string WriteProgram(const std::string& installDir, const std::string& name,
                         const std::string& script) {
    ::mkdir((installDir + "/bin").c_str(), 0755);
    const std::string path = installDir + "/bin/" + name;
    std::ofstream(path) << script;
    ::chmod(path.c_str(), 0755);
    return path;
}

int CountQuirnTempFiles() {
    int count = 0;
    DIR* dir = ::opendir(TemporaryRoot().c_str());
    if (dir == nullptr) {
        return 0;
    }
    while (dirent* entry = ::readdir(dir)) {
        // The instance folders ("quirn-PID-...") of live contexts are not leftovers.
        const std::string name = entry->d_name;
        count += name.starts_with("quirn") && !name.starts_with("quirn-") ? 1 : 0;
    }
    ::closedir(dir);
    return count;
}

}  // namespace quirn::test
