// Option files as the dialogs use them: the shipped files of the standard classes
// against the options the installed classes declare, reading an option text,
// composing the command and checking typed values.
#include "packages/option_files.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "platform/output_sink.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

const char* const kFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- a test package -->
<tpx><name>demo</name><title> A &amp; B </title><options>
  <option value="HEADER"><desc>Group</desc></option>
  <option value="b"><desc>A flag</desc></option>
  <option value="a"><desc>Number</desc>
    <keyval key="a"><kvtype>num</kvtype><kvpattern> [0-9]+ </kvpattern><kvdefault>1</kvdefault></keyval>
  </option>
  <option value="list"><keyval key="list"><kvtype>any</kvtype><kvpattern>\{[^}]*\}</kvpattern></keyval>
    <choice value="{x,y}"><name>Both</name><desc>x and y</desc></choice></option>
  <option value="bad"><keyval key="bad"><kvpattern>([</kvpattern></keyval></option>
</options></tpx>
)";

TEST(OptionFiles, ParseComposeAndCheck) {
    test::TempDir dir;
    StringSink output;
    ScriptedPrompt prompt;
    OptionConfiguration options(&output, &prompt);
    EXPECT_FALSE(options.Load(dir.Path() + "/", "nothing", false));
    const std::string file = dir.Write("texmf-tlv/wizards/packages/demo.tpx", kFile);
    ASSERT_TRUE(options.Load(dir.Path() + "/", "demo", false)) << output.Text();
    EXPECT_EQ(options.Title(), "A & B");
    EXPECT_EQ(output.Text(),
              "Couldn't load: " + dir.File("texmf-tlv/wizards/packages/nothing.tpx") +
                  "\n*** Bad RE for bad\n");
    ASSERT_EQ(options.Specifications().size(), 3u);
    EXPECT_EQ(options.Specifications()[0].pattern, "^[0-9]+$");
    EXPECT_EQ(options.Specifications()[2].pattern, "");
    EXPECT_EQ(options.Entries()[3].choices[0].value, "{x,y}");

    // "a=1,b": the option a with value 1 and the flag b; a comma inside a value only
    // where the pattern takes it.
    ASSERT_TRUE(options.ParseOptions("a=1,b, list={x,y},HEADER"));
    EXPECT_EQ(options.Compose(false), "\\usepackage[a=1,b,list={x,y}]{demo}");
    EXPECT_EQ(options.Compose(true), "\\usepackage[a=1, b, list={x,y}]{demo}");
    ASSERT_TRUE(options.ParseOptions(""));
    EXPECT_EQ(options.Compose(false), "\\usepackage{demo}");
    EXPECT_FALSE(options.ParseOptions("b,a=x"));
    EXPECT_EQ(prompt.messages,
              std::vector<std::string>{
                  "Cannot read the value for 'a'.\n  Please correct and try again."});

    auto check = options.CheckEntry("a = 12");
    EXPECT_EQ(check.key, "a");
    EXPECT_EQ(check.value, "12");
    EXPECT_EQ(check.prompt, "Valid");
    check = options.CheckEntry("a=x1");
    EXPECT_FALSE(check.valid);
    EXPECT_EQ(check.prompt, "Enter a value like 1");
    EXPECT_TRUE(options.CheckEntry("bad=([").valid);
    EXPECT_TRUE(options.CheckEntry("unknown=anything").valid);

    // A file that is not well formed loads nothing.
    dir.Write("texmf-tlv/wizards/packages/broken.tpx", "<tpx><name>broken</tpx>");
    EXPECT_FALSE(options.Load(dir.Path() + "/", "broken", false));
    EXPECT_TRUE(options.Entries().empty());
}

TEST(OptionFiles, TheShippedClassFilesListEveryOptionTheClassDeclares) {
    const std::string installDir = test::SourceDir() + "/data/";
    EXPECT_EQ(KnownOptionClasses(installDir),
              (std::vector<std::string>{"article", "book", "letter", "report"}));
    for (const std::string name : {"article", "report", "book", "letter"}) {
        OptionConfiguration options(nullptr, nullptr);
        ASSERT_TRUE(options.Load(installDir, name, true)) << name;
        std::set<std::string> listed;
        for (const OptionEntry& entry : options.Entries())
            listed.insert(entry.value);
        std::string path, error;
        ASSERT_EQ(test::RunCommand("kpsewhich " + name + ".cls", &path), 0);
        const std::string cls = test::ReadFile(path.substr(0, path.size() - 1));
        std::regex declare(R"(\\DeclareOption\{([^}*]+)\})");
        int declared = 0;
        for (std::sregex_iterator it(cls.begin(), cls.end(), declare), end; it != end;
             ++it, ++declared)
            EXPECT_TRUE(listed.count((*it)[1].str())) << name << " lacks " << (*it)[1].str();
        EXPECT_GT(declared, 10) << name;
    }
    OptionConfiguration geometry(nullptr, nullptr);
    ASSERT_TRUE(geometry.Load(installDir, "geometry", false));
    EXPECT_TRUE(geometry.ParseOptions("margin=2cm,showframe"));
    EXPECT_EQ(geometry.Compose(false), "\\usepackage[margin=2cm,showframe]{geometry}");
}

}  // namespace
}  // namespace quirn
