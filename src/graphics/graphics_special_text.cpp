#include "graphics/graphics_special_text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace quirn {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void SkipSpaces(std::string_view* text) {
    while (!text->empty() && IsSpace(text->front()))
        text->remove_prefix(1);
}

// Case-insensitive prefix test that consumes the prefix.
bool TakePrefix(std::string_view* text, std::string_view prefix) {
    if (text->size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>((*text)[i])) != prefix[i])
            return false;
    }
    text->remove_prefix(prefix.size());
    return true;
}

// A quoted ("..." ) or blank-delimited word.
std::string TakeWord(std::string_view* text) {
    SkipSpaces(text);
    if (text->empty())
        return {};
    if (text->front() == '"') {
        size_t end = text->find('"', 1);
        std::string word(text->substr(1, end == std::string_view::npos ? end : end - 1));
        text->remove_prefix(end == std::string_view::npos ? text->size() : end + 1);
        return word;
    }
    size_t end = 0;
    while (end < text->size() && !IsSpace((*text)[end]))
        ++end;
    std::string word(text->substr(0, end));
    text->remove_prefix(end);
    return word;
}

bool ParseNumber(std::string_view text, double* value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

}  // namespace

bool ParseDimension(std::string_view* text, double* points) {
    SkipSpaces(text);
    size_t n = 0;
    while (n < text->size() && (std::isdigit(static_cast<unsigned char>((*text)[n])) ||
                                (*text)[n] == '.' || (*text)[n] == '-' || (*text)[n] == '+')) {
        ++n;
    }
    double value = 0;
    if (n == 0 || !ParseNumber(text->substr(0, n), &value))
        return false;
    std::string_view rest = text->substr(n);
    SkipSpaces(&rest);
    TakePrefix(&rest, "true");
    struct Unit {
        std::string_view name;
        double points;
    };
    static constexpr Unit kUnits[] = {
        {"pt", 72.0 / 72.27},
        {"bp", 1.0},
        {"in", 72.0},
        {"cm", 72.0 / 2.54},
        {"mm", 72.0 / 25.4},
        {"pc", 12 * 72.0 / 72.27},
        {"dd", 1238.0 / 1157 * 72.0 / 72.27},
        {"cc", 12 * 1238.0 / 1157 * 72.0 / 72.27},
        {"sp", 72.0 / 72.27 / 65536},
    };
    double factor = 1.0;
    for (const Unit& unit : kUnits) {
        if (TakePrefix(&rest, unit.name)) {
            factor = unit.points;
            *text = rest;
            *points = value * factor;
            return true;
        }
    }
    text->remove_prefix(n);
    *points = value;
    return true;
}

bool ParseGraphicsSpecial(std::string_view text, GraphicsSpecial* special, std::string* error) {
    *special = GraphicsSpecial();
    SkipSpaces(&text);
    std::string_view rest = text;
    auto fail = [&](const char* reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (TakePrefix(&rest, "psfile")) {
        SkipSpaces(&rest);
        if (rest.empty() || rest.front() != '=')
            return fail("not a graphics special");
        rest.remove_prefix(1);
        special->kind = GraphicsSpecialKind::PsFile;
        special->file = TakeWord(&rest);
        while (true) {
            std::string word = TakeWord(&rest);
            if (word.empty())
                break;
            size_t eq = word.find('=');
            std::string key = word.substr(0, eq);
            for (char& c : key)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (eq == std::string::npos) {
                if (key == "clip")
                    special->clip = true;
                continue;
            }
            std::string_view valueText = std::string_view(word).substr(eq + 1);
            if (valueText.size() >= 2 && valueText.front() == '"' && valueText.back() == '"') {
                valueText = valueText.substr(1, valueText.size() - 2);
            }
            double value = 0;
            if (!ParseNumber(valueText, &value))
                continue;
            // Sizes and scales of zero would flatten the graphic to nothing; they are
            // ignored like unknown keys.
            const bool positive = value > 0;
            if (key == "llx")
                special->llx = value;
            else if (key == "lly")
                special->lly = value;
            else if (key == "urx")
                special->urx = value;
            else if (key == "ury")
                special->ury = value;
            else if (key == "rwi" && positive)
                special->rwi = value;
            else if (key == "rhi" && positive)
                special->rhi = value;
            else if (key == "hsize" && positive)
                special->hsize = value;
            else if (key == "vsize" && positive)
                special->vsize = value;
            else if (key == "hoffset")
                special->hoffset = value;
            else if (key == "voffset")
                special->voffset = value;
            else if (key == "hscale" && value != 0)
                special->hscale = value;
            else if (key == "vscale" && value != 0)
                special->vscale = value;
            else if (key == "angle")
                special->angle = value;
        }
    } else if (TakePrefix(&rest, "em:")) {
        SkipSpaces(&rest);
        if (!TakePrefix(&rest, "graph") || (!rest.empty() && !IsSpace(rest.front()))) {
            return fail("not a graphics special");
        }
        special->kind = GraphicsSpecialKind::EmGraph;
        special->file = TakeWord(&rest);
    } else {
        if (TakePrefix(&rest, "bmp:")) {
            special->kind = GraphicsSpecialKind::Bitmap;
        } else if (TakePrefix(&rest, "eps:")) {
            special->kind = GraphicsSpecialKind::Eps;
        } else if (TakePrefix(&rest, "wmf:")) {
            special->kind = GraphicsSpecialKind::Metafile;
        } else {
            return fail("not a graphics special");
        }
        special->file = TakeWord(&rest);
        double w = 0, h = 0;
        if (ParseDimension(&rest, &w) && w > 0) {
            special->width = w;
            if (ParseDimension(&rest, &h) && h > 0)
                special->height = h;
        }
    }
    if (special->file.empty())
        return fail("the special names no file");
    return true;
}

}  // namespace quirn
