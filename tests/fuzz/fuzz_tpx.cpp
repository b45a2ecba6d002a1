// The option files' XML reader over arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "packages/xml_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto root = quirn::ParseXml(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (root) {
        root->ChildText("name");
        if (const quirn::XmlElement* options = root->Child("options")) {
            for (const auto& option : options->children)
                option->Attribute("value");
        }
    }
    return 0;
}
