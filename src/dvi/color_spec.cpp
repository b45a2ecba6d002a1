#include "dvi/color_spec.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/output_sink.h"

namespace quirn {

namespace {

constexpr int32_t kScale = 32760;

// The colours dvips knows by name, with their CMYK components.
constexpr NamedColor kNamedColors[] = {
    {"Apricot", 0, 0.32f, 0.52f, 0},
    {"Aquamarine", 0.82f, 0, 0.3f, 0},
    {"Bittersweet", 0, 0.75f, 1, 0.24f},
    {"Black", 0, 0, 0, 1},
    {"Blue", 1, 1, 0, 0},
    {"BlueGreen", 0.85f, 0, 0.33f, 0},
    {"BlueViolet", 0.86f, 0.91f, 0, 0.04f},
    {"BrickRed", 0, 0.89f, 0.94f, 0.28f},
    {"Brown", 0, 0.81f, 1, 0.6f},
    {"BurntOrange", 0, 0.51f, 1, 0},
    {"CadetBlue", 0.62f, 0.57f, 0.23f, 0},
    {"CarnationPink", 0, 0.63f, 0, 0},
    {"Cerulean", 0.94f, 0.11f, 0, 0},
    {"CornflowerBlue", 0.65f, 0.13f, 0, 0},
    {"Cyan", 1, 0, 0, 0},
    {"Dandelion", 0, 0.29f, 0.84f, 0},
    {"DarkOrchid", 0.4f, 0.8f, 0.2f, 0},
    {"Emerald", 1, 0, 0.5f, 0},
    {"ForestGreen", 0.91f, 0, 0.88f, 0.12f},
    {"Fuchsia", 0.47f, 0.91f, 0, 0.08f},
    {"Goldenrod", 0, 0.1f, 0.84f, 0},
    {"Gray", 0, 0, 0, 0.5f},
    {"Green", 1, 0, 1, 0},
    {"GreenYellow", 0.15f, 0, 0.69f, 0},
    {"JungleGreen", 0.99f, 0, 0.52f, 0},
    {"Lavender", 0, 0.48f, 0, 0},
    {"LimeGreen", 0.5f, 0, 1, 0},
    {"Magenta", 0, 1, 0, 0},
    {"Mahogany", 0, 0.85f, 0.87f, 0.35f},
    {"Maroon", 0, 0.87f, 0.68f, 0.32f},
    {"Melon", 0, 0.46f, 0.5f, 0},
    {"MidnightBlue", 0.98f, 0.13f, 0, 0.43f},
    {"Mulberry", 0.34f, 0.9f, 0, 0.02f},
    {"NavyBlue", 0.94f, 0.54f, 0, 0},
    {"OliveGreen", 0.64f, 0, 0.95f, 0.4f},
    {"Orange", 0, 0.61f, 0.87f, 0},
    {"OrangeRed", 0, 1, 0.5f, 0},
    {"Orchid", 0.32f, 0.64f, 0, 0},
    {"Peach", 0, 0.5f, 0.7f, 0},
    {"Periwinkle", 0.57f, 0.55f, 0, 0},
    {"PineGreen", 0.92f, 0, 0.59f, 0.25f},
    {"Plum", 0.5f, 1, 0, 0},
    {"ProcessBlue", 0.96f, 0, 0, 0},
    {"Purple", 0.45f, 0.86f, 0, 0},
    {"RawSienna", 0, 0.72f, 1, 0.45f},
    {"Red", 0, 1, 1, 0},
    {"RedOrange", 0, 0.77f, 0.87f, 0},
    {"RedViolet", 0.07f, 0.9f, 0, 0.34f},
    {"Rhodamine", 0, 0.82f, 0, 0},
    {"RoyalBlue", 1, 0.5f, 0, 0},
    {"RoyalPurple", 0.75f, 0.9f, 0, 0},
    {"RubineRed", 0, 1, 0.13f, 0},
    {"Salmon", 0, 0.53f, 0.38f, 0},
    {"SeaGreen", 0.69f, 0, 0.5f, 0},
    {"Sepia", 0, 0.83f, 1, 0.7f},
    {"SkyBlue", 0.62f, 0, 0.12f, 0},
    {"SpringGreen", 0.26f, 0, 0.76f, 0},
    {"Tan", 0.14f, 0.42f, 0.56f, 0},
    {"TealBlue", 0.86f, 0, 0.34f, 0.02f},
    {"Thistle", 0.12f, 0.59f, 0, 0},
    {"Turquoise", 0.85f, 0, 0.2f, 0},
    {"Violet", 0.79f, 0.88f, 0, 0},
    {"VioletRed", 0, 0.81f, 0, 0},
    {"White", 0, 0, 0, 0},
    {"WildStrawberry", 0, 0.96f, 0.39f, 0},
    {"Yellow", 0, 0, 1, 0},
    {"YellowGreen", 0.44f, 0, 0.74f, 0},
    {"YellowOrange", 0, 0.42f, 1, 0},
};

// x (0..1) on the 32760 scale, rounded.
int32_t Scaled(double x) {
    return static_cast<int32_t>((x + 0.5 / kScale) * kScale);
}

bool InUnitRange(double x) {
    return x >= 0.0 && x <= 1.0;
}  // false for NaN too

size_t SkipSpace(std::string_view text, size_t pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    return pos;
}

uint32_t FromScaled(const ScaledRgb& rgb) {
    return ColorFromFractions(rgb.r / 32760.0, rgb.g / 32760.0, rgb.b / 32760.0);
}

void Report(OutputSink& out, const char* format, std::string_view value) {
    std::string line(format);
    const size_t at = line.find("%s");
    line.replace(at, 2, std::string(value));
    out.AppendOutput(line);
}

}  // namespace

const NamedColor* NamedColors(int* count) {
    *count = static_cast<int>(std::size(kNamedColors));
    return kNamedColors;
}

const NamedColor* FindNamedColor(std::string_view name) {
    for (const NamedColor& c : kNamedColors) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

uint32_t ColorFromFractions(double r, double g, double b) {
    const auto byte = [](double x) {
        return static_cast<uint32_t>(static_cast<int>(x * 255) & 0xFF);
    };
    return byte(r) | (byte(g) << 8) | (byte(b) << 16);
}

ScaledRgb CmykToScaledRgb(double c, double m, double y, double k) {
    const int32_t sc = Scaled(c), sm = Scaled(m), sy = Scaled(y), sk = Scaled(k);
    if (sk == 0) {
        return {kScale - sc, kScale - sm, kScale - sy};
    }
    if (sk == kScale) {
        return {0, 0, 0};
    }
    const auto channel = [sk](int32_t component) {
        const uint32_t a =
            static_cast<uint32_t>(kScale - component) * static_cast<uint32_t>(kScale - sk);
        return static_cast<int32_t>(((a >> 3) + (a >> 15) + 1) >> 12);
    };
    return {channel(sc), channel(sm), channel(sy)};
}

ScaledRgb HsbToScaledRgb(double hue, double saturation, double brightness) {
    const int16_t v = static_cast<int16_t>(Scaled(brightness));
    const int16_t s = static_cast<int16_t>(Scaled(saturation));
    const int i = static_cast<int>(6 * hue);
    const int16_t f = static_cast<int16_t>(Scaled(6 * hue - i));
    const int16_t p = static_cast<int16_t>(int32_t{v} * (kScale - s) / kScale);
    const int16_t q =
        static_cast<int16_t>(int32_t{v} * (kScale - int32_t{s} * f / kScale) / kScale);
    const int16_t t = static_cast<int16_t>(p - q + v);
    switch (i) {
        case 1:
            return {q, v, p};
        case 2:
            return {p, v, t};
        case 3:
            return {p, q, v};
        case 4:
            return {t, p, v};
        case 5:
            return {v, p, q};
        default:
            return {v, t, p};
    }
}

std::optional<uint32_t> ParseColorSpec(std::string_view text, OutputSink& out) {
    size_t pos = SkipSpace(text, 0);
    std::string_view rest = text.substr(pos);
    enum class Model { kNone, kRgb, kHsb, kCmyk, kGray } model = Model::kNone;
    if (rest.starts_with("rgb")) {
        model = Model::kRgb;
        pos += 3;
    } else if (rest.starts_with("hsb")) {
        model = Model::kHsb;
        pos += 3;
    } else if (rest.starts_with("cmyk")) {
        model = Model::kCmyk;
        pos += 4;
    } else if (rest.starts_with("gray")) {
        model = Model::kGray;
        pos += 4;
    }

    if (model == Model::kNone) {
        if (rest.empty() || !std::isalpha(static_cast<unsigned char>(rest[0]))) {
            Report(out, "Invalid color name: %s\n", rest);
            return std::nullopt;
        }
        size_t end = 0;
        while (end < rest.size() && std::isalpha(static_cast<unsigned char>(rest[end]))) {
            ++end;
        }
        const std::string_view name = rest.substr(0, end);
        const NamedColor* named = FindNamedColor(name);
        if (named == nullptr) {
            Report(out, "unknown color name: %s\n", name);
            return std::nullopt;
        }
        return FromScaled(CmykToScaledRgb(named->c, named->m, named->y, named->k));
    }

    pos = SkipSpace(text, pos);
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const std::string values(text.substr(pos));
    float a = 0, b = 0, c = 0, d = 0;
    switch (model) {
        case Model::kRgb:
        case Model::kHsb:
            if (std::sscanf(values.c_str(), "%f %f %f", &a, &b, &c) != 3 || !InUnitRange(a) ||
                !InUnitRange(b) || !InUnitRange(c)) {
                Report(out, "Invalid color triple: %s\n", values);
                return std::nullopt;
            }
            if (model == Model::kRgb) {
                return ColorFromFractions(a, b, c);
            }
            if (b == 0) {
                return ColorFromFractions(c, c, c);
            }
            return FromScaled(HsbToScaledRgb(a, b, c));
        case Model::kGray:
            if (std::sscanf(values.c_str(), "%f", &a) != 1 || !InUnitRange(a)) {
                Report(out, "invalid gray value: %s\n", values);
                return std::nullopt;
            }
            return FromScaled(CmykToScaledRgb(0, 0, 0, 1 - a));
        case Model::kCmyk:
            if (std::sscanf(values.c_str(), "%f %f %f %f", &a, &b, &c, &d) != 4 ||
                !InUnitRange(a) || !InUnitRange(b) || !InUnitRange(c) || !InUnitRange(d)) {
                Report(out, "Invalid cmyk quadruple: %s\n", values);
                return std::nullopt;
            }
            return FromScaled(CmykToScaledRgb(a, b, c, d));
        case Model::kNone:
            break;
    }
    return std::nullopt;
}

}  // namespace quirn
