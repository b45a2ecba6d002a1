#include "packages/option_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "packages/xml_reader.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn {
namespace fs = std::filesystem;
namespace {

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\n\r\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

OptionValueType TypeOf(const std::string& text) {
    if (text == "bool")
        return OptionValueType::Bool;
    if (text == "alpha")
        return OptionValueType::Alpha;
    if (text == "num")
        return OptionValueType::Num;
    return OptionValueType::Any;
}

std::unique_ptr<XmlElement> ReadXmlFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string error;
    return ParseXml(bytes.str(), error);
}

std::vector<std::string> ClassFiles(const std::string& installDir) {
    std::vector<std::string> files;
    std::error_code ec;
    const std::string folder = JoinPath(installDir, "texmf-tlv/wizards/documentclass");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".tpx")
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Whole-text match of `expression` (which may not compile).
bool MatchWhole(const std::string& expression, const std::string& text, std::smatch& groups) {
    try {
        std::regex re(expression);
        return std::regex_match(text, groups, re);
    } catch (const std::regex_error&) {
        return false;
    }
}

}  // namespace

bool PatternCompiles(const std::string& pattern) {
    try {
        std::regex re(pattern);
        return true;
    } catch (const std::regex_error&) {
        return false;
    }
}

void OptionConfiguration::Say(const std::string& text) const {
    if (output_ != nullptr)
        output_->AppendOutput(text);
}

bool OptionConfiguration::Load(const std::string& installDir, const std::string& name,
                               bool isClass) {
    SetTarget(name, isClass);
    if (!isClass) {
        return LoadFile(JoinPath(installDir, "texmf-tlv/wizards/packages/" + name + ".tpx"), name,
                        false);
    }
    for (const std::string& file : ClassFiles(installDir)) {
        std::unique_ptr<XmlElement> root = ReadXmlFile(file);
        if (root && Trimmed(root->ChildText("name")) == name)
            return LoadFile(file, name, true);
    }
    entries_.clear();
    specifications_.clear();
    selected_.clear();
    Say("Couldn't load: " + name + "\n");
    return false;
}

bool OptionConfiguration::LoadFile(const std::string& path, const std::string& name, bool isClass) {
    SetTarget(name, isClass);
    path_ = path;
    entries_.clear();
    specifications_.clear();
    selected_.clear();
    name_.clear();
    title_.clear();
    std::unique_ptr<XmlElement> root = ReadXmlFile(path);
    if (!root) {
        Say("Couldn't load: " + path + "\n");
        return false;
    }
    name_ = Trimmed(root->ChildText("name"));
    title_ = Trimmed(root->ChildText("title"));
    const XmlElement* options = root->Child("options");
    if (options == nullptr)
        return true;
    for (const auto& option : options->children) {
        OptionEntry entry;
        entry.value = Trimmed(option->Attribute("value"));
        entry.description = Trimmed(option->ChildText("desc"));
        if (const XmlElement* keyval = option->Child("keyval")) {
            entry.hasKeyval = true;
            entry.key = Trimmed(keyval->Attribute("key"));
            entry.type = TypeOf(Trimmed(keyval->ChildText("kvtype")));
            entry.defaultValue = Trimmed(keyval->ChildText("kvdefault"));
            std::string pattern = Trimmed(keyval->ChildText("kvpattern"));
            if (!pattern.empty()) {
                pattern = "^" + pattern + "$";
                if (!PatternCompiles(pattern)) {
                    Say("*** Bad RE for " + entry.key + "\n");
                    pattern.clear();
                }
            }
            entry.pattern = pattern;
            specifications_.push_back({entry.key, entry.pattern, entry.defaultValue, entry.type});
        }
        for (const auto& child : option->children) {
            if (child->name == "choice") {
                entry.choices.push_back({Trimmed(child->Attribute("value")),
                                         Trimmed(child->ChildText("name")),
                                         Trimmed(child->ChildText("desc"))});
            }
        }
        entries_.push_back(std::move(entry));
    }
    return true;
}

const OptionSpecification* OptionConfiguration::FindSpecification(const std::string& key) const {
    for (const OptionSpecification& spec : specifications_) {
        if (spec.key == key)
            return &spec;
    }
    return nullptr;
}

bool OptionConfiguration::ParseOptions(const std::string& text) {
    selected_.clear();
    std::string rest = text;
    while (!rest.empty()) {
        std::smatch groups;
        if (!MatchWhole(R"(\s*(\w+)\s*=*\s*([\s\S]*))", rest, groups))
            break;
        const std::string key = groups[1].str();
        rest = groups[2].str();
        const OptionSpecification* spec = FindSpecification(key);
        std::string expression;
        if (spec != nullptr && !spec->pattern.empty()) {
            std::string inner = spec->pattern;
            if (inner.starts_with("^"))
                inner.erase(0, 1);
            if (inner.ends_with("$"))
                inner.pop_back();
            expression = "(" + inner + "),*([\\s\\S]*)";
        } else {
            expression = "([^,]*),*([\\s\\S]*)";
        }
        std::smatch value;
        if (!MatchWhole(expression, rest, value)) {
            if (prompt_ != nullptr) {
                prompt_->ShowMessage("Cannot read the value for '" + key +
                                     "'.\n  Please correct and try again.");
            }
            return false;
        }
        const std::string valueText = value[1].str();
        rest = value[value.size() - 1].str();
        if (!key.empty())
            selected_.push_back({key, valueText});
    }
    return true;
}

std::string OptionConfiguration::Compose(bool spaced) const {
    std::string options;
    bool first = true;
    for (const SelectedOption& option : selected_) {
        if (option.key == kHeaderOption)
            continue;
        options += first ? "" : (spaced ? ", " : ",");
        first = false;
        options += option.key;
        if (!option.value.empty())
            options += "=" + option.value;
    }
    if (!options.empty())
        options = "[" + options + "]";
    return std::string("\\") + (isClass_ ? "documentclass" : "usepackage") + options + "{" +
           target_ + "}";
}

OptionConfiguration::ValueCheck OptionConfiguration::CheckEntry(const std::string& entry) const {
    ValueCheck check;
    std::smatch groups;
    if (MatchWhole("([[:alnum:]]*)[\\s\\S]*", entry, groups))
        check.key = groups[1].str();
    if (MatchWhole("[[:alnum:]]*[[:space:]]*=*[[:space:]]*([\\s\\S]*)", entry, groups))
        check.value = groups[1].str();
    const OptionSpecification* spec = FindSpecification(check.key);
    if (spec == nullptr || spec->pattern.empty()) {
        check.prompt = "Valid";
        return check;
    }
    std::smatch ignored;
    check.valid = MatchWhole(spec->pattern, check.value, ignored);
    check.prompt = check.valid                  ? "Valid"
                   : spec->defaultValue.empty() ? "Enter a value"
                                                : "Enter a value like " + spec->defaultValue;
    return check;
}

std::vector<std::string> KnownOptionClasses(const std::string& installDir) {
    std::vector<std::string> names;
    for (const std::string& file : ClassFiles(installDir)) {
        std::unique_ptr<XmlElement> root = ReadXmlFile(file);
        if (root)
            names.push_back(Trimmed(root->ChildText("name")));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quirn
