// quirn-cli edit: the TeX editor's text commands on a file, without a window.
//
//   edit match FILE POS                 Match Brace or $ at byte POS
//   edit mismatch FILE [POS]            Find Mismatched Brace or $ from POS (default 0)
//   edit comment FILE FROM TO           Block Comment/Uncomment; writes FILE back
//   edit find FILE TEXT [POS] [--up] [--case] [--word]
//   edit complete PREFIX                completion candidates from the installed list
//   edit styles FILE [FIRST LAST]       colouring of lines FIRST..LAST (from 1)
//
// Results are lines "select: START END", "beep", "message: TEXT" (line feeds as "\n"),
// "candidates: LIST" and, for styles, "LINE: STYLES" with one style digit per byte.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "cli/edit_graphics.h"
#include "editor/brace_match.h"
#include "editor/completion.h"
#include "editor/find_replace.h"
#include "editor/string_text_buffer.h"
#include "editor/tex_colouring.h"
#include "editor/tex_commands.h"
#include "editor/tex_document.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn::cli {
namespace {

bool ParseNumber(const std::string& text, int64_t& value) {
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0) {
        return false;
    }
    value = n;
    return true;
}

void PrintMessage(const std::string& text) {
    std::string line;
    for (char c : text) {
        line += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    std::printf("message: %s\n", line.c_str());
}

void PrintOutcome(const EditOutcome& outcome) {
    if (outcome.beep) {
        std::printf("beep\n");
    }
    if (!outcome.message.empty()) {
        PrintMessage(outcome.message);
    }
    if (outcome.selection) {
        std::printf("select: %lld %lld\n", static_cast<long long>(outcome.selection->start),
                    static_cast<long long>(outcome.selection->end));
    }
}

// Loads FILE; messages of the load (the Control-Z strip) are printed.
bool Load(TexDocument& doc, const std::string& path) {
    ScriptedPrompt prompt;
    std::string error;
    if (!doc.Open(path, &prompt, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    for (const std::string& m : prompt.messages) {
        PrintMessage(m);
    }
    return true;
}

int Usage() {
    return WrongUsage("edit");
}

int Styles(const TextBuffer& text, StringTextBuffer& buffer, int64_t first, int64_t last) {
    ColourTexLines(buffer, first - 1, last);
    for (int64_t line = first - 1; line < last && line < text.LineCount(); ++line) {
        std::string digits;
        for (TextPos p = text.LineStart(line); p < text.LineEnd(line); ++p) {
            digits += static_cast<char>('0' + (buffer.StyleAt(p) & 0x1F) % 10);
        }
        std::printf("%lld: %s\n", static_cast<long long>(line + 1), digits.c_str());
    }
    return 0;
}

int Edit(const std::vector<std::string>& args) {
    if (args.empty()) {
        return Usage();
    }
    const std::string& verb = args[0];
    bool graphics = false;
    const int status = EditGraphicsVerb(args, &graphics);
    if (graphics) {
        return status;
    }
    if (verb == "complete") {
        if (args.size() != 2) {
            return Usage();
        }
        CompletionList words;
        const std::string path = CompletionListPath(FindInstallDir());
        if (!words.Load(path)) {
            std::fprintf(stderr, "No completion list %s\n", path.c_str());
            return 1;
        }
        std::printf("candidates: %s\n", words.Candidates(args[1]).c_str());
        return 0;
    }
    if (args.size() < 2) {
        return Usage();
    }
    const std::string file = AbsolutePath(args[1], StartFolder());
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    int64_t a = 0, b = 0;
    if (verb == "match" && args.size() == 3 && ParseNumber(args[2], a)) {
        if (!Load(doc, file)) {
            return 1;
        }
        DollarState dollar;
        PrintOutcome(MatchBraceOrDollar(buffer, TextRange{a, a}, dollar));
        return 0;
    }
    if (verb == "mismatch" && (args.size() == 2 || (args.size() == 3 && ParseNumber(args[2], a)))) {
        if (!Load(doc, file)) {
            return 1;
        }
        PrintOutcome(FindMismatchedBraceOrDollar(buffer, a));
        return 0;
    }
    if (verb == "comment" && args.size() == 4 && ParseNumber(args[2], a) &&
        ParseNumber(args[3], b)) {
        if (!Load(doc, file)) {
            return 1;
        }
        const TextRange selection = BlockCommentUncomment(buffer, TextRange{a, b});
        std::string error;
        if (!doc.Save(file, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        PrintOutcome(EditOutcome::Select(selection.start, selection.end));
        return 0;
    }
    if (verb == "find" && args.size() >= 3) {
        FindReplaceState state;
        state.search = args[2];
        for (std::size_t i = 3; i < args.size(); ++i) {
            if (args[i] == "--up") {
                state.searchDown = false;
            } else if (args[i] == "--case") {
                state.matchCase = true;
            } else if (args[i] == "--word") {
                state.wholeWord = true;
            } else if (i != 3 || !ParseNumber(args[i], a)) {
                return Usage();
            }
        }
        if (!Load(doc, file)) {
            return 1;
        }
        PrintOutcome(FindNext(buffer, TextRange{a, a}, state));
        return 0;
    }
    if (verb == "styles" && (args.size() == 2 || (args.size() == 4 && ParseNumber(args[2], a) &&
                                                  ParseNumber(args[3], b) && a >= 1))) {
        if (!Load(doc, file)) {
            return 1;
        }
        if (args.size() == 2) {
            a = 1;
            b = buffer.LineCount();
        }
        if (!ShouldColourDocument(file)) {
            return 0;
        }
        return Styles(buffer, buffer, a, b);
    }
    return Usage();
}

}  // namespace

QUIRN_CLI_COMMAND(
    "edit",
    "match FILE POS | mismatch FILE [POS] | comment FILE FROM TO | "
    "find FILE TEXT [POS] [--up] [--case] [--word] | complete PREFIX | "
    "styles FILE [FIRST LAST] | insert-graphic FILE GRAPHIC --width W --height H [OPTIONS] | "
    "edit-graphic FILE POS | migrate-graphics FILE [--answer yes|no] | "
    "paste-bitmap FILE DIB --save-as PATH.bmp --width W --height H [OPTIONS]",
    "the TeX editor's text commands on a file",
    "The TeX editor's text commands on FILE, without a window. Positions are byte\n"
    "offsets from 0, lines count from 1.\n"
    "  match FILE POS        Match Brace or $ at POS\n"
    "  mismatch FILE [POS]   Find Mismatched Brace or $ from POS (default 0)\n"
    "  comment FILE FROM TO  Block Comment/Uncomment of the lines FROM..TO touch;\n"
    "                        writes FILE back\n"
    "  find FILE TEXT [POS]  Find TEXT from POS; --up searches backwards, --case\n"
    "                        matches case, --word whole words only\n"
    "  complete PREFIX       the completion candidates of PREFIX\n"
    "  styles FILE [FIRST LAST]   the colouring of lines FIRST..LAST\n"
    "Results are lines \"select: START END\" (the selection the editor makes),\n"
    "\"beep\", \"message: TEXT\" (a message box; line breaks written as \\n),\n"
    "\"candidates: LIST\" and, for styles, \"LINE: STYLES\" with one style digit per\n"
    "byte. Exit status 1 when FILE cannot be read or written.\n"
    "\nGraphics insertion (questions and messages as \"question: TEXT\" and\n"
    "\"message: TEXT\" on standard output, output-window lines on standard error):\n"
    "  insert-graphic FILE GRAPHIC --width W --height H   Insert Graphic: puts\n"
    "                    an \\includegraphics of GRAPHIC into FILE (its own main\n"
    "                    file), loading graphicx and listing the graphic's folder\n"
    "                    in \\graphicspath; W and H in cm when CMunits is on, else in.\n"
    "      --keep-aspect     add keepaspectratio\n"
    "      --bb \"LLX LLY URX URY\"   a bounding-box override\n"
    "      --align left|center|right   wrap in \\leftline, \\centerline, \\rightline\n"
    "      --figure [--placement P] [--caption TEXT] [--label TEXT]   in a figure\n"
    "      --mode DVI|PDF    the typesetting mode (default DVI); a graphic the mode\n"
    "                        cannot read is converted into converted_graphics/\n"
    "      --at POS          where to insert (default: the start of the line of\n"
    "                        \\end{document}, or the end of the file)\n"
    "      --answer yes|no   the answer to the unsafe-name question (default yes)\n"
    "      --rename PATH     the name for the graphic's safe copy (default: the\n"
    "                        suggested name in the graphic's folder)\n"
    "                    Prints \"size: TEXT\", the graphics dialog's size line.\n"
    "                    Exit status 1 when nothing was inserted.\n"
    "  edit-graphic FILE POS   the \\includegraphics around POS as \"graphic:\n"
    "                    width=W height=H keepaspectratio=yes|no file=NAME\"\n"
    "  migrate-graphics FILE [--answer yes|no]   the Graphics Migration Wizard:\n"
    "                    asks, then writes the backup FILE.migrategraphics[.N].EXT\n"
    "  paste-bitmap FILE DIB --save-as PATH.bmp --width W --height H [OPTIONS]\n"
    "                    pasting a clipboard bitmap (DIB: a BMP file's bytes\n"
    "                    after its 14-byte header): asks, writes PATH.bmp, then\n"
    "                    goes on as insert-graphic with it\n",
    Edit);

}  // namespace quirn::cli
