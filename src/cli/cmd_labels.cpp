// quirn-cli labels|cites FILE [--initial NAME] [--sort COLUMN]...: the picker of Insert
// Reference or Insert Cite opened for the document FILE, with header clicks, printed
// as it stands together with what OK would insert.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/project_session.h"
#include "editor/label_picker.h"
#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

int RunPicker(const char* command, LabelPicker::Mode mode, const std::vector<std::string>& args) {
    LabelPicker picker(mode);
    std::string file;
    std::string initial = picker.Placeholder();
    std::vector<int> clicks;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--initial" && hasValue) {
            initial = args[++i];
        } else if (a == "--sort" && hasValue) {
            const std::string& c = args[++i];
            if (c.size() != 1 || c[0] < '0' || c[0] > '3')
                return WrongUsage(command);
            clicks.push_back(c[0] - '0');
        } else if (a.starts_with("--") || !file.empty()) {
            return WrongUsage(command);
        } else {
            file = a;
        }
    }
    if (file.empty())
        return WrongUsage(command);
    PrintedPrompt prompt(true);
    StreamSink output(stderr);
    if (!picker.Start(ReplaceExtension(AbsoluteArgument(file), "aux"), initial, prompt, output))
        return 1;
    for (int column : clicks)
        picker.SortByColumn(column);
    auto headers = picker.Headers();
    std::printf("title=%s\ncolumns=%s|%s|%s|%s\n", picker.Title().c_str(), headers[0].c_str(),
                headers[1].c_str(), headers[2].c_str(), headers[3].c_str());
    for (const LabelPicker::Row& row : picker.Rows()) {
        std::printf("row\t%s\t%s\t%s\t%s\n", row[0].c_str(), row[1].c_str(), row[2].c_str(),
                    row[3].c_str());
    }
    std::printf("selected=%s\n", picker.Choice().c_str());
    if (!picker.Rows().empty())
        std::printf("insert=%s\n", picker.Insertion().c_str());
    return 0;
}

int LabelsCommand(const std::vector<std::string>& args) {
    return RunPicker("labels", LabelPicker::Mode::Reference, args);
}

int CitesCommand(const std::vector<std::string>& args) {
    return RunPicker("cites", LabelPicker::Mode::Citation, args);
}

}  // namespace

QUIRN_CLI_COMMAND("labels", "FILE [--initial NAME] [--sort COLUMN]...",
                  "the labels Insert Reference offers for a document",
                  "Opens the picker of Insert Reference for the document FILE: it reads FILE's\n"
                  "auxiliary file (the extension replaced by \"aux\"), selects the label NAME\n"
                  "(default s:) or the first row, and takes every --sort COLUMN (0 to 3) as a\n"
                  "click on that column's header. Prints\n"
                  "  title=Select reference\n"
                  "  columns=Label|Type|Page|Description\n"
                  "  row<TAB>LABEL<TAB>TYPE<TAB>PAGE<TAB>DESCRIPTION   per row, in list order\n"
                  "  selected=LABEL\n"
                  "  insert=\\ref{LABEL}                               (absent for an empty list)\n"
                  "A missing auxiliary file: a \"message: \" line and exit status 1.\n",
                  LabelsCommand);

QUIRN_CLI_COMMAND(
    "cites", "FILE [--initial NAME] [--sort COLUMN]...",
    "the citation keys Insert Cite offers for a document",
    "Opens the picker of Insert Cite for the document FILE: it reads the \\bibcite\n"
    "lines of FILE's auxiliary file (the extension replaced by \"aux\"), selects the\n"
    "key NAME (default a) or the first row, and takes every --sort COLUMN (0 to 3) as\n"
    "a click on that column's header. Prints title=Select citation,\n"
    "columns=Label|Type||Description, a row line per key (type biblio, description\n"
    "\"Ref# \" and the cited label), selected=KEY and insert=\\cite{KEY}.\n"
    "A \\bibcite line that does not parse writes \"Invalid line: ...\" on standard\n"
    "error; a missing auxiliary file gives a \"message: \" line and exit status 1.\n",
    CitesCommand);

}  // namespace quirn::cli
