// The editing component seen through StcTextBuffer: the same edits on it and on the
// in-memory StringTextBuffer must give the same bytes, lines, matching, comments and
// styles, and a TeX document held in it must load and save files byte for byte. The
// component needs a display, so the tests run this program again under xvfb-run.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/stc/stc.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "editor/brace_match.h"
#include "editor/string_text_buffer.h"
#include "editor/tex_colouring.h"
#include "editor/tex_commands.h"
#include "editor/tex_document.h"
#include "gui/stc_text_buffer.h"
#include "gui/window_system.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn::gui {
namespace {

using test::ReadFile;
using test::RunCommand;
using test::TempDir;

using test_window::RanUnderXvfb;
using test_window::StartWindowSystem;

// An editing component inside a frame that is never shown, as the editor view
// configures it (its own code page, which keeps the bytes it is given; the view colours
// the text itself).
class ByteEditor {
  public:
    ByteEditor() : frame_(new wxFrame(nullptr, wxID_ANY, "editor")) {
        stc_ = new wxStyledTextCtrl(frame_, wxID_ANY);
        stc_->SetLexer(wxSTC_LEX_CONTAINER);
        buffer_ = std::make_unique<StcTextBuffer>(*stc_);
    }
    ~ByteEditor() { frame_->Destroy(); }
    ByteEditor(const ByteEditor&) = delete;
    ByteEditor& operator=(const ByteEditor&) = delete;

    wxStyledTextCtrl& Stc() { return *stc_; }
    StcTextBuffer& Buffer() { return *buffer_; }

  private:
    wxFrame* frame_;
    wxStyledTextCtrl* stc_ = nullptr;
    std::unique_ptr<StcTextBuffer> buffer_;
};

std::string Quoted(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        }
    }
    return out;
}

// Every reading of the two buffers agrees, position by position and line by line.
void ExpectSameReadings(const TextBuffer& mine, const StringTextBuffer& ref, const char* when) {
    SCOPED_TRACE(when);
    const TextPos length = ref.Length();
    ASSERT_EQ(mine.Length(), length);
    ASSERT_EQ(TextOf(mine, 0, length), ref.Text()) << Quoted(ref.Text());
    if (length > 2) {
        std::string part(static_cast<std::size_t>(length - 2), '\0');
        mine.GetRange(1, length - 1, part.data());
        EXPECT_EQ(part, ref.Text().substr(1, static_cast<std::size_t>(length - 2)));
    }
    for (TextPos p : {TextPos{-1}, length, length + 5})
        EXPECT_EQ(mine.CharAt(p), 0) << p;
    for (TextPos p = 0; p < length; ++p)
        ASSERT_EQ(mine.CharAt(p), ref.CharAt(p)) << p;
    ASSERT_EQ(mine.LineCount(), ref.LineCount()) << Quoted(ref.Text());
    for (int64_t line = 0; line <= ref.LineCount() + 1; ++line) {
        ASSERT_EQ(mine.LineStart(line), ref.LineStart(line)) << line << " " << Quoted(ref.Text());
        ASSERT_EQ(mine.LineEnd(line), ref.LineEnd(line)) << line << " " << Quoted(ref.Text());
    }
    for (TextPos p = 0; p <= length + 2; ++p)
        ASSERT_EQ(mine.LineFromPosition(p), ref.LineFromPosition(p)) << p << Quoted(ref.Text());
}

// Random bytes that stress the line ends and the upper half of the byte range, with
// enough TeX syntax for the matching and colouring to have work.
std::string RandomPiece(std::mt19937& random) {
    static const std::string pieces[] = {"\r\n",   "\r", "\n", "\\", "{",
                                         "}",      "$",  "$$", "%",  "\\begin{x}",
                                         "\\big(", ")",  " ",  "a",  "word"};
    std::string out;
    const int count = static_cast<int>(random() % 6) + 1;
    for (int i = 0; i < count; ++i) {
        if (random() % 3 == 0) {
            out += static_cast<char>(0x80 + random() % 0x80);
        } else {
            out += pieces[random() % std::size(pieces)];
        }
    }
    return out;
}

TEST(EditorWindowBuffer, RandomEditsReadAndWorkTheSameAsInMemory) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    ByteEditor editor;
    StcTextBuffer& stc = editor.Buffer();
    StringTextBuffer ref;
    ExpectSameReadings(stc, ref, "empty");

    std::mt19937 random(1234);
    for (int step = 0; step < 400; ++step) {
        const TextPos length = ref.Length();
        TextPos start = length > 0 ? static_cast<TextPos>(random() % (length + 1)) : 0;
        TextPos end = start;
        // Deletions grow with the text, so it stays a few hundred bytes long; some
        // cut through a "\r\n" pair or join a "\r" with a following "\n".
        if (random() % 3 == 0 && length > 0)
            end = std::min<TextPos>(length, start + static_cast<TextPos>(random() % 12) + 1);
        std::string text = random() % 4 == 0 ? std::string() : RandomPiece(random);
        if (length > 400)
            text.clear();
        stc.Replace(start, end, text);
        ref.Replace(start, end, text);
        ExpectSameReadings(stc, ref, ("step " + std::to_string(step)).c_str());
        if (HasFatalFailure())
            return;
    }

    // The editor algorithms see the same text through either buffer.
    const std::string tex =
        "\\documentclass{article}\r\n% caf\xE9 {\r\\begin{document}\n"
        "$x^{2}$ and $$\\big( y$$ \\{ \xFF}\r\n\\end{document}\r"
        "\\section{\xC4\xD6} 50\\% {open\n$$a$ \\big] ]\n";
    stc.Replace(0, stc.Length(), tex);
    ref.Replace(0, ref.Length(), tex);
    ExpectSameReadings(stc, ref, "TeX text");
    for (TextPos from = 0; from < ref.Length(); from += 7) {
        EditOutcome a = FindMismatchedBraceOrDollar(stc, from);
        EditOutcome b = FindMismatchedBraceOrDollar(ref, from);
        EXPECT_EQ(a.selection, b.selection) << from;
        EXPECT_EQ(a.message, b.message) << from;
        EXPECT_EQ(a.beep, b.beep) << from;
    }
    DollarState dollarA, dollarB;
    for (TextPos at = 0; at < ref.Length(); ++at) {
        char c = ref.CharAt(at);
        if (c != '{' && c != '}' && c != '$' && c != '(' && c != ']')
            continue;
        EditOutcome a = MatchBraceOrDollar(stc, {at, at}, dollarA);
        EditOutcome b = MatchBraceOrDollar(ref, {at, at}, dollarB);
        EXPECT_EQ(a.selection, b.selection) << at;
        EXPECT_EQ(a.message, b.message) << at;
    }

    ColourTexLines(stc, 0, stc.LineCount());
    ColourTexLines(ref, 0, ref.LineCount());
    EXPECT_EQ(stc.EndStyled(), ref.EndStyled());
    int styled = 0;
    for (TextPos p = 0; p < ref.Length(); ++p) {
        ASSERT_EQ(editor.Stc().GetStyleAt(static_cast<int>(p)), ref.StyleAt(p))
            << p << " in " << Quoted(ref.Text());
        styled += ref.StyleAt(p) != kStylePlain;
    }
    EXPECT_GT(styled, 20);  // the comparison covered commands, comments and symbols

    // Commenting lines 1-3 (the selection starts inside a "\r\n"-ended line and ends
    // on a lone "\r" line), then uncommenting them again, edits both texts alike; an
    // edit restyles from where it began.
    stc.SetSavePoint();
    ref.SetSavePoint();
    const TextRange lines{ref.LineStart(1) + 3, ref.LineEnd(3) - 1};
    TextRange a = BlockCommentUncomment(stc, lines);
    TextRange b = BlockCommentUncomment(ref, lines);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(stc.IsModified());
    EXPECT_EQ(stc.EndStyled(), ref.EndStyled());
    ExpectSameReadings(stc, ref, "commented");
    a = BlockCommentUncomment(stc, a);
    b = BlockCommentUncomment(ref, b);
    EXPECT_EQ(a, b);
    ExpectSameReadings(stc, ref, "uncommented");
    ColourTexLines(stc, 0, stc.LineCount());
    ColourTexLines(ref, 0, ref.LineCount());
    for (TextPos p = 0; p < ref.Length(); ++p)
        ASSERT_EQ(editor.Stc().GetStyleAt(static_cast<int>(p)), ref.StyleAt(p)) << p;

    // The edits went through the component's undo history: undoing them all returns to
    // the save point.
    while (editor.Stc().CanUndo() && stc.IsModified())
        editor.Stc().Undo();
    EXPECT_FALSE(stc.IsModified());
    EXPECT_EQ(TextOf(stc, 0, stc.Length()), tex);
}

TEST(EditorWindowDocument, FilesLoadAndSaveByteForByteThroughTheComponent) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    TempDir dir;
    ByteEditor editor;
    TexDocument doc(editor.Buffer());
    ScriptedPrompt prompt;

    // Every upper-half byte, CRLF, lone CR and LF line ends, and two Control-Z at the end.
    std::string body = "\\documentclass{article}\r\nLatin-1: caf\xE9\r% lone CR\rhigh: ";
    for (int c = 0x80; c <= 0xFF; ++c)
        body += static_cast<char>(c);
    body += "\nlast line without end";
    const std::string path = dir.Write("mixed.tex", body + "\x1A\x1A");
    std::string error;
    ASSERT_TRUE(doc.Open(path, &prompt, &error)) << error;
    EXPECT_EQ(TextOf(editor.Buffer(), 0, editor.Buffer().Length()), body);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              "Trailing Control-Z characters have been stripped\nfrom file " + path);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Path(), path);
    EXPECT_EQ(doc.CachedModTime(), FileModTime(path));
    EXPECT_EQ(editor.Buffer().LineCount(), 5);
    EXPECT_EQ(editor.Buffer().LineEnd(2), static_cast<TextPos>(body.find("\rhigh")));
    // The strip is made of ordinary edits after the save point: undoing them brings the
    // bytes back and leaves the document unmodified; redoing marks it modified again.
    while (editor.Stc().CanUndo())
        editor.Stc().Undo();
    EXPECT_EQ(TextOf(editor.Buffer(), 0, editor.Buffer().Length()), body + "\x1A\x1A");
    EXPECT_FALSE(doc.IsModified());
    while (editor.Stc().CanRedo())
        editor.Stc().Redo();
    EXPECT_EQ(editor.Buffer().Length(), static_cast<TextPos>(body.size()));
    EXPECT_TRUE(doc.IsModified());

    // Saving writes the bytes unchanged plus the one line feed the text lacks.
    const std::string saved = dir.File("saved.tex");
    ASSERT_TRUE(doc.Save(saved, &error)) << error;
    EXPECT_EQ(ReadFile(saved), body + "\n");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Path(), saved);
    EXPECT_EQ(prompt.messages.size(), 1u);  // shown once, at loading only

    // The line feed rule: nothing for an empty text or one ending in a line feed, one
    // line feed after a lone CR or no line end.
    const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                         {"abc", "abc\n"},
                                                         {"abc\r\n", "abc\r\n"},
                                                         {"abc\r", "abc\r\n"},
                                                         {"\xFF\n", "\xFF\n"}};
    for (const auto& [in, out] : cases) {
        ASSERT_TRUE(doc.Open(dir.Write("case.tex", in), &prompt, &error)) << error;
        EXPECT_FALSE(doc.IsModified()) << Quoted(in);
        ASSERT_TRUE(doc.SaveCopy(dir.File("case-out.tex"), &error)) << error;
        EXPECT_EQ(ReadFile(dir.File("case-out.tex")), out) << Quoted(in);
    }

    // A 10000-byte file (three blocks each way) with every byte but NUL, Control-Z in
    // the middle included, round-trips unchanged into a document that held other text.
    std::mt19937 random(99);
    std::string big(10000, '\0');
    for (char& c : big)
        c = static_cast<char>(1 + random() % 255);
    big[5000] = '\x1A';
    big.back() = '\n';
    const std::string bigPath = dir.Write("big.tex", big);
    ASSERT_TRUE(doc.Open(bigPath, &prompt, &error)) << error;
    EXPECT_EQ(editor.Buffer().Length(), 10000);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(editor.Stc().CanUndo());  // loading is not an edit to undo
    EXPECT_EQ(prompt.messages.size(), 1u);
    ASSERT_TRUE(doc.Save(bigPath, &error)) << error;
    EXPECT_EQ(ReadFile(bigPath), big);
}

}  // namespace
}  // namespace quirn::gui
