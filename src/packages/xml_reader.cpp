#include "packages/xml_reader.h"

#include <cstdint>

namespace quirn {
namespace {

// Deeper nesting than this is refused rather than followed.
constexpr int kMaxDepth = 256;

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    std::unique_ptr<XmlElement> Document(std::string& error) {
        std::unique_ptr<XmlElement> root;
        if (s_.substr(0, 3) == "\xEF\xBB\xBF")
            pos_ = 3;
        while (ok_) {
            SkipSpace();
            if (pos_ >= s_.size())
                break;
            if (Starts("<?")) {
                SkipPast("?>");
            } else if (Starts("<!--")) {
                SkipPast("-->");
            } else if (Starts("<!DOCTYPE")) {
                SkipDoctype();
            } else if (Starts("<") && !root) {
                root = Element(0);
            } else {
                Fail(root ? "text after the root element" : "no root element");
            }
        }
        if (ok_ && !root)
            Fail("no root element");
        if (!ok_) {
            error = error_;
            return nullptr;
        }
        return root;
    }

  private:
    bool Starts(std::string_view what) const { return s_.substr(pos_, what.size()) == what; }

    void Fail(const std::string& what) {
        if (!ok_)
            return;
        ok_ = false;
        int line = 1;
        for (size_t i = 0; i < pos_ && i < s_.size(); ++i)
            line += s_[i] == '\n';
        error_ = "line " + std::to_string(line) + ": " + what;
    }

    void SkipSpace() {
        while (pos_ < s_.size() && IsSpace(s_[pos_]))
            ++pos_;
    }

    void SkipPast(std::string_view end) {
        size_t at = s_.find(end, pos_);
        if (at == std::string_view::npos) {
            Fail("unterminated markup");
            return;
        }
        pos_ = at + end.size();
    }

    void SkipDoctype() {
        int brackets = 0;
        for (; pos_ < s_.size(); ++pos_) {
            char c = s_[pos_];
            if (c == '[')
                ++brackets;
            else if (c == ']')
                --brackets;
            else if (c == '>' && brackets <= 0) {
                ++pos_;
                return;
            }
        }
        Fail("unterminated document type");
    }

    std::string Name() {
        size_t start = pos_;
        if (pos_ >= s_.size() || !IsNameStart(s_[pos_])) {
            Fail("a name was expected");
            return {};
        }
        while (pos_ < s_.size() && IsNameChar(s_[pos_]))
            ++pos_;
        return std::string(s_.substr(start, pos_ - start));
    }

    // Character data up to `stop` with references replaced.
    std::string Decode(std::string_view raw) {
        std::string out;
        out.reserve(raw.size());
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            size_t semi = raw.find(';', i);
            if (semi == std::string_view::npos || semi - i > 12) {
                Fail("bad reference");
                return out;
            }
            std::string_view ref = raw.substr(i + 1, semi - i - 1);
            if (ref == "lt")
                out += '<';
            else if (ref == "gt")
                out += '>';
            else if (ref == "amp")
                out += '&';
            else if (ref == "quot")
                out += '"';
            else if (ref == "apos")
                out += '\'';
            else if (ref.size() > 1 && ref[0] == '#') {
                uint32_t code = 0;
                bool hex = ref[1] == 'x';
                std::string_view digits = ref.substr(hex ? 2 : 1);
                if (digits.empty()) {
                    Fail("bad character reference");
                    return out;
                }
                for (char d : digits) {
                    int v = (d >= '0' && d <= '9')          ? d - '0'
                            : hex && (d >= 'a' && d <= 'f') ? d - 'a' + 10
                            : hex && (d >= 'A' && d <= 'F') ? d - 'A' + 10
                                                            : -1;
                    if (v < 0 || code > 0x10FFFF) {
                        Fail("bad character reference");
                        return out;
                    }
                    code = code * (hex ? 16 : 10) + static_cast<uint32_t>(v);
                }
                if (code == 0 || code > 0x10FFFF) {
                    Fail("bad character reference");
                    return out;
                }
                AppendUtf8(out, code);
            } else {
                Fail("unknown entity &" + std::string(ref) + ";");
                return out;
            }
            i = semi;
        }
        return out;
    }

    std::unique_ptr<XmlElement> Element(int depth) {
        if (depth > kMaxDepth) {
            Fail("elements nested too deeply");
            return nullptr;
        }
        auto element = std::make_unique<XmlElement>();
        ++pos_;  // "<"
        element->name = Name();
        while (ok_) {
            SkipSpace();
            if (pos_ >= s_.size()) {
                Fail("unterminated start tag");
                return nullptr;
            }
            if (Starts("/>")) {
                pos_ += 2;
                return element;
            }
            if (s_[pos_] == '>') {
                ++pos_;
                break;
            }
            std::string key = Name();
            SkipSpace();
            if (!ok_ || pos_ >= s_.size() || s_[pos_] != '=') {
                Fail("attribute without value");
                return nullptr;
            }
            ++pos_;
            SkipSpace();
            if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) {
                Fail("attribute value without quotes");
                return nullptr;
            }
            char quote = s_[pos_++];
            size_t end = s_.find(quote, pos_);
            if (end == std::string_view::npos) {
                Fail("unterminated attribute value");
                return nullptr;
            }
            std::string_view raw = s_.substr(pos_, end - pos_);
            if (raw.find('<') != std::string_view::npos) {
                Fail("'<' in an attribute value");
                return nullptr;
            }
            element->attributes.emplace_back(key, Decode(raw));
            pos_ = end + 1;
        }
        // Content up to the matching end tag.
        while (ok_) {
            size_t lt = s_.find('<', pos_);
            if (lt == std::string_view::npos) {
                Fail("element <" + element->name + "> is not closed");
                return nullptr;
            }
            element->text += Decode(s_.substr(pos_, lt - pos_));
            pos_ = lt;
            if (Starts("</")) {
                pos_ += 2;
                std::string name = Name();
                SkipSpace();
                if (!ok_ || name != element->name || pos_ >= s_.size() || s_[pos_] != '>') {
                    Fail("end tag does not match <" + element->name + ">");
                    return nullptr;
                }
                ++pos_;
                return element;
            }
            if (Starts("<!--")) {
                SkipPast("-->");
            } else if (Starts("<![CDATA[")) {
                size_t end = s_.find("]]>", pos_ + 9);
                if (end == std::string_view::npos) {
                    Fail("unterminated CDATA section");
                    return nullptr;
                }
                element->text += s_.substr(pos_ + 9, end - pos_ - 9);
                pos_ = end + 3;
            } else if (Starts("<?")) {
                SkipPast("?>");
            } else {
                auto child = Element(depth + 1);
                if (!child)
                    return nullptr;
                element->children.push_back(std::move(child));
            }
        }
        return nullptr;
    }

    std::string_view s_;
    size_t pos_ = 0;
    bool ok_ = true;
    std::string error_;
};

}  // namespace

std::string XmlElement::Attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes) {
        if (k == key)
            return v;
    }
    return {};
}

bool XmlElement::HasAttribute(std::string_view key) const {
    for (const auto& attribute : attributes) {
        if (attribute.first == key)
            return true;
    }
    return false;
}

const XmlElement* XmlElement::Child(std::string_view childName) const {
    for (const auto& child : children) {
        if (child->name == childName)
            return child.get();
    }
    return nullptr;
}

std::string XmlElement::ChildText(std::string_view childName) const {
    const XmlElement* child = Child(childName);
    return child ? child->text : std::string();
}

std::unique_ptr<XmlElement> ParseXml(std::string_view text, std::string& error) {
    Parser parser(text);
    return parser.Document(error);
}

}  // namespace quirn
