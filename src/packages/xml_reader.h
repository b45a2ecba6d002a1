// A small reader for the XML of option files: elements with attributes and text,
// comments, CDATA sections, processing instructions and a document type declaration
// (skipped), the five named entities and numeric character references. A document
// that is not well formed (unclosed or crossed elements, a bad attribute, text after
// the root) is refused with the line of the fault.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quirn {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::unique_ptr<XmlElement>> children;
    std::string text;  // the element's own character data, concatenated

    // The attribute's value, or empty.
    std::string Attribute(std::string_view key) const;
    bool HasAttribute(std::string_view key) const;
    // The first child element called `name`, or null.
    const XmlElement* Child(std::string_view childName) const;
    // The text of the first child called `name`, or empty.
    std::string ChildText(std::string_view childName) const;
};

// Parses `text`; null with `error` set when the document is not well formed.
std::unique_ptr<XmlElement> ParseXml(std::string_view text, std::string& error);

}  // namespace quirn
