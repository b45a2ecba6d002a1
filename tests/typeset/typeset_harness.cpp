#include "typeset_harness.h"

#include "app/tex_environment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace quirn::test {

namespace fs = std::filesystem;

int QueuedPrompt::Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
                      int negative) {
    questions.push_back(text);
    std::string answer = fallback;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    if (answer == "yes")
        return affirmative;
    if (answer == "no")
        return negative;
    return std::stoi(answer);
}

std::string SharedVarDataRoot() {
    std::string root = BuildDir() + "/test-typeset/";
    std::string formats = root + "texmf-var/formats/pdfetex";
    std::string fmt = formats + "/latex.fmt";
    if (::access(fmt.c_str(), R_OK) == 0)
        return root;
    fs::create_directories(formats);
    // Tests run in parallel: one builds, the others wait for the lock.
    int lock = ::open((root + "build.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    ::flock(lock, LOCK_EX);
    if (::access(fmt.c_str(), R_OK) != 0) {
        TempDir work;
        std::string out;
        RunCommand("cd '" + work.Path() +
                       "' && env -u TEXMFCNF -u TEXINPUTS -u TEXFORMATS pdfetex -ini -etex "
                       "-jobname=latex -progname=latex latex.ltx </dev/null",
                   &out);
        std::error_code ec;  // a failed build leaves no format; the tests using it say so
        fs::rename(work.File("latex.fmt"), fmt, ec);
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    return root;
}

TypesetHarness::TypesetHarness(const std::string& varDataRoot) {
    store = MakeMemoryStore();
    profile = std::make_unique<Profile>(*store);
    fs::create_directories(dir.File("install/bin"));
    // The engine's trace preload, where an installation keeps it.
    const std::string preload = test::BuildDir() + "/lib/libquirn-tracebuf.so";
    if (fs::exists(preload)) {
        fs::create_directories(dir.File("install/lib"));
        fs::create_symlink(preload, dir.File("install/lib/libquirn-tracebuf.so"));
    }
    context.store = store.get();
    context.profile = profile.get();
    context.settings = &settings;
    context.output = &monitor;
    context.prompt = &prompt;
    context.roots.installDir = dir.File("install/");
    context.roots.tdsPath = context.roots.userDataPath = context.roots.installDir;
    context.roots.varDataPath = varDataRoot.empty() ? dir.File("var/") : varDataRoot;
    // Quirn's own tree with its configuration overlay, and the children's environment
    // start-up builds from it.
    fs::create_directory_symlink(test::SourceDir() + "/data/texmf-tlv",
                                 dir.File("install/texmf-tlv"));
    context.childEnvironment = BuildTexEnvironment(ProcessEnvironment(), context.roots, *profile);
    processes = std::make_unique<ProcessList>(&monitor, context.roots.installDir);
    processes->SetEnvironment(context.childEnvironment);
    formats = std::make_unique<Formats>(context.roots, *profile, settings, prompt);
    formats->BuildFormatList();
    typesetter = std::make_unique<Typesetter>(context, *processes, monitor, *formats, seams);
    typesetter->SetBatch(true);
}

TypesetHarness::~TypesetHarness() {
    typesetter.reset();
    processes.reset();
}

void TypesetHarness::InstallScript(const std::string& name, const std::string& body) {
    std::string path = dir.File("install/bin/" + name);
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
}

bool TypesetHarness::RunToEnd(int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (typesetter->Busy()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        typesetter->Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void TypesetHarness::PollFor(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        typesetter->Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace quirn::test
