// quirn-cli options: the class and package option files, as the option dialogs use
// them. `list` shows what a file offers, `compose` turns an option text into the
// command the dialog inserts, `check` checks a typed value as the value entry does.
#include <cstdio>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "cli/package_session.h"
#include "packages/option_files.h"

namespace quirn::cli {
namespace {

const char* const kUsage =
    "list class|package NAME | compose class|package NAME [TEXT] [--spaced] | check "
    "class|package NAME ENTRY";

int OptionsCommand(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    bool spaced = false;
    for (const std::string& arg : args) {
        if (arg == "--spaced")
            spaced = true;
        else
            positional.push_back(arg);
    }
    if (positional.size() < 3 || (positional[1] != "class" && positional[1] != "package"))
        return WrongUsage("options");
    const std::string& verb = positional[0];
    const bool isClass = positional[1] == "class";
    const std::string& name = positional[2];
    const bool fits = (verb == "list" && positional.size() == 3 && !spaced) ||
                      (verb == "compose" && positional.size() <= 4) ||
                      (verb == "check" && positional.size() == 4 && !spaced);
    if (!fits)
        return WrongUsage("options");

    StreamSink output(stderr);
    AnsweringPrompt prompt(true);
    OptionConfiguration options(&output, &prompt);
    const bool loaded = options.Load(FindInstallDir(), name, isClass);
    if (verb == "list") {
        if (!loaded)
            return 1;
        PrintLine({"file", EscapeField(options.Path())});
        PrintLine({"name", EscapeField(options.Name())});
        PrintLine({"title", EscapeField(options.Title())});
        for (const OptionEntry& entry : options.Entries()) {
            if (entry.value == kHeaderOption) {
                PrintLine({"header", EscapeField(entry.description)});
            } else if (!entry.hasKeyval) {
                PrintLine({"flag", EscapeField(entry.value), EscapeField(entry.description)});
            } else {
                PrintLine({"keyval", EscapeField(entry.key),
                           std::to_string(static_cast<int>(entry.type)), EscapeField(entry.pattern),
                           EscapeField(entry.defaultValue), EscapeField(entry.description)});
            }
            for (const OptionChoice& choice : entry.choices) {
                PrintLine({"choice", EscapeField(choice.value), EscapeField(choice.name),
                           EscapeField(choice.description)});
            }
        }
        return 0;
    }
    if (verb == "compose") {
        if (!options.ParseOptions(positional.size() == 4 ? positional[3] : ""))
            return 1;
        std::printf("%s\n", options.Compose(spaced).c_str());
        return 0;
    }
    OptionConfiguration::ValueCheck check = options.CheckEntry(positional[3]);
    PrintLine({EscapeField(check.key), EscapeField(check.value), check.prompt});
    return check.valid ? 0 : 1;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "options", kUsage, "class and package options: list, compose, check",
    "The option files of document classes and packages (texmf-tlv/wizards in the\n"
    "installation), as the class and package option dialogs use them.\n"
    "list class|package NAME\n"
    "  \"file\\tPATH\", \"name\\tNAME\", \"title\\tTITLE\", then per option\n"
    "  \"header\\tDESC\", \"flag\\tVALUE\\tDESC\" or\n"
    "  \"keyval\\tKEY\\tTYPE\\tPATTERN\\tDEFAULT\\tDESC\" (TYPE 0 any, 1 bool, 2 alpha,\n"
    "  3 num; PATTERN anchored), each followed by its \"choice\\tVALUE\\tNAME\\tDESC\"\n"
    "compose class|package NAME [TEXT] [--spaced]\n"
    "  the command for the options in TEXT (e.g. \"a4paper,fontsize=12pt\");\n"
    "  --spaced separates them with \", \"\n"
    "check class|package NAME ENTRY\n"
    "  \"KEY\\tVALUE\\tValid\" for a typed \"key=value\", or \"KEY\\tVALUE\\tEnter a value\n"
    "  like DEFAULT\" with exit status 1\n"
    "A file that is missing or not well formed: \"Couldn't load: PATH\" (the class\n"
    "name for a class) on standard error, exit status 1.\n",
    OptionsCommand);

}  // namespace quirn::cli
