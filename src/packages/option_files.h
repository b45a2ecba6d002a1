// Class and package options: an option file (".tpx", XML) lists the options a
// document class or a LaTeX package accepts, with a description, for options that take
// a value its type, pattern and default, and the values to choose from. The option
// dialogs load one, read the options of an existing command, let the user pick, check
// each value against its pattern and compose the finished \documentclass or
// \usepackage command.
//
// Option files live in the installation's texmf-tlv tree: every
// "wizards/documentclass/*.tpx" is read to find a class (by its "name" element), and a
// package's file is "wizards/packages/NAME.tpx".
#pragma once

#include <string>
#include <vector>

namespace quirn {

class OutputSink;
class UserPrompt;

enum class OptionValueType { Any = 0, Bool = 1, Alpha = 2, Num = 3 };

// One option element of the file.
struct OptionChoice {
    std::string value;
    std::string name;
    std::string description;
};
struct OptionEntry {
    std::string value;  // the option as written; "HEADER" marks a group heading
    std::string description;
    bool hasKeyval = false;
    std::string key;  // keyval's "key"
    OptionValueType type = OptionValueType::Bool;
    std::string pattern;  // anchored ("^...$"); empty for none or one that does not compile
    std::string defaultValue;
    std::vector<OptionChoice> choices;
};

// The specification of an option that takes a value.
struct OptionSpecification {
    std::string key;
    std::string pattern;  // anchored, or empty
    std::string defaultValue;
    OptionValueType type = OptionValueType::Any;
};

struct SelectedOption {
    std::string key;
    std::string value;  // empty for a flag
};

inline constexpr const char* kHeaderOption = "HEADER";

class OptionConfiguration {
  public:
    // `output` gets "Couldn't load: " and "*** Bad RE for " lines; `prompt` the message
    // of an unreadable value. Both borrowed, may be null.
    OptionConfiguration(OutputSink* output, UserPrompt* prompt)
        : output_(output), prompt_(prompt) {}

    // Reads the option file of class or package `name` below `installDir`. False (with
    // "Couldn't load: " and the path, or the name for a class no file names) when there
    // is none or it is not well formed; the lists are then empty.
    bool Load(const std::string& installDir, const std::string& name, bool isClass);
    // Reads one option file.
    bool LoadFile(const std::string& path, const std::string& name, bool isClass);

    // Fills the selection from an option text such as "a4paper,fontsize=12pt". False
    // (after "Cannot read the value for 'KEY'..." through the prompt) when a value does
    // not fit its option's pattern; the selection then holds what was read before.
    bool ParseOptions(const std::string& text);
    // "\documentclass[OPTIONS]{NAME}" or "\usepackage[OPTIONS]{NAME}" from the selection,
    // options separated by ", " when `spaced`, else ","; no brackets without options.
    std::string Compose(bool spaced) const;

    // The check of the dialog's value entry: the key and value read from `entry`, and
    // whether the value fits the key's pattern. `prompt` is "Valid" or "Enter a value"
    // (with " like DEFAULT" when the option has a default).
    struct ValueCheck {
        std::string key;
        std::string value;
        bool valid = true;
        std::string prompt;
    };
    ValueCheck CheckEntry(const std::string& entry) const;

    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    const std::string& Title() const { return title_; }
    const std::vector<OptionEntry>& Entries() const { return entries_; }
    const std::vector<OptionSpecification>& Specifications() const { return specifications_; }
    std::vector<SelectedOption>& Selected() { return selected_; }
    const std::vector<SelectedOption>& Selected() const { return selected_; }
    bool IsClass() const { return isClass_; }
    void SetTarget(const std::string& name, bool isClass) {
        target_ = name;
        isClass_ = isClass;
    }
    const OptionSpecification* FindSpecification(const std::string& key) const;

  private:
    void Say(const std::string& text) const;

    OutputSink* output_;
    UserPrompt* prompt_;
    std::string path_;
    std::string name_;
    std::string title_;
    std::string target_;
    bool isClass_ = false;
    std::vector<OptionEntry> entries_;
    std::vector<OptionSpecification> specifications_;
    std::vector<SelectedOption> selected_;
};

// The names of the classes the option files describe (their "name" elements), sorted.
std::vector<std::string> KnownOptionClasses(const std::string& installDir);

// Whether a pattern compiles (ECMAScript syntax with POSIX classes such as
// "[[:alnum:]]" and escapes such as "\s" and "\w").
bool PatternCompiles(const std::string& pattern);

}  // namespace quirn
