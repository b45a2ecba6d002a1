#include "dvi/dvi_test_support.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace quirn::test {

std::string TypesetDvi(const TempDir& dir, const std::string& name, const std::string& source,
                       const std::string& engine) {
    dir.Write(name + ".tex", source);
    std::string out;
    RunCommand(
        "cd '" + dir.Path() + "' && " + engine + " -interaction=nonstopmode " + name + ".tex",
        &out);
    std::string dvi = dir.File(name + ".dvi");
    return std::ifstream(dvi).good() ? dvi : std::string();
}

DvitypeReport RunDvitype(const std::string& dviPath) {
    DvitypeReport report;
    std::string out;
    if (RunCommand("dvitype '" + dviPath + "'", &out) != 0) {
        return report;
    }
    static const std::regex fraction(R"(^numerator/denominator=(-?\d+)/(-?\d+))");
    static const std::regex magnification(R"(^magnification=(-?\d+);)");
    static const std::regex font(
        R"(^Font (-?\d+): (\S+?)(?: scaled \d+)?---loaded at size (-?\d+) DVI units)");
    static const std::regex page(R"(^(\d+): beginning of page (-?\d+))");
    std::istringstream lines(out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, fraction)) {
            report.num = std::stoi(m[1]);
            report.den = std::stoi(m[2]);
        } else if (std::regex_search(line, m, magnification)) {
            report.mag = std::stoi(m[1]);
        } else if (std::regex_search(line, m, font)) {
            report.fonts.push_back({std::stoi(m[1]), m[2], std::stoi(m[3])});
        } else if (std::regex_search(line, m, page)) {
            report.pages.push_back({std::stoi(m[1]), std::stoi(m[2])});
        }
    }
    report.ok = true;
    return report;
}

PlReport RunTftopl(const std::string& tfmPath) {
    PlReport report;
    std::string out;
    if (RunCommand("tftopl '" + tfmPath + "'", &out) != 0) {
        return report;
    }
    static const std::regex design(R"(^\(DESIGNSIZE R ([-0-9.]+)\))");
    static const std::regex character(R"(^\(CHARACTER ([COD]) (\S+))");
    static const std::regex dimension(R"(^\s+\((CHARWD|CHARHT|CHARDP) R ([-0-9.]+)\))");
    std::istringstream lines(out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, design)) {
            report.designSize = std::stod(m[1]);
        } else if (std::regex_search(line, m, character)) {
            PlChar c;
            const std::string kind = m[1], value = m[2];
            c.code = kind == "C"   ? static_cast<unsigned char>(value[0])
                     : kind == "O" ? static_cast<int>(std::strtol(value.c_str(), nullptr, 8))
                                   : std::stoi(value);
            report.chars.push_back(c);
        } else if (std::regex_search(line, m, dimension) && !report.chars.empty()) {
            const double v = std::stod(m[2]);
            PlChar& c = report.chars.back();
            (m[1] == "CHARWD" ? c.width : m[1] == "CHARHT" ? c.height : c.depth) = v;
        }
    }
    report.ok = true;
    return report;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    const std::string s = ReadFile(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

DviWriter& DviWriter::Byte(int b) {
    bytes_.push_back(static_cast<uint8_t>(b));
    return *this;
}

DviWriter& DviWriter::Int(int64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        bytes_.push_back(static_cast<uint8_t>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
    }
    return *this;
}

DviWriter& DviWriter::Pre(int32_t num, int32_t den, int32_t mag) {
    Byte(247).Byte(2).Int(num, 4).Int(den, 4).Int(mag, 4);
    const std::string comment = " test";
    Byte(static_cast<int>(comment.size()));
    bytes_.insert(bytes_.end(), comment.begin(), comment.end());
    return *this;
}

DviWriter& DviWriter::Page(int32_t count0, const std::vector<uint8_t>& content) {
    const int32_t previous = bops.empty() ? -1 : bops.back();
    bops.push_back(static_cast<int32_t>(bytes_.size()));
    Byte(139).Int(count0, 4);
    for (int i = 1; i < 10; ++i) {
        Int(0, 4);
    }
    Int(previous, 4);
    bytes_.insert(bytes_.end(), content.begin(), content.end());
    return Byte(140);
}

DviWriter& DviWriter::FontDef(int32_t k, const std::string& name, int32_t s, int32_t d, int32_t c) {
    Byte(246).Int(k, 4).Int(c, 4).Int(s, 4).Int(d, 4).Byte(0).Byte(static_cast<int>(name.size()));
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    return *this;
}

DviWriter& DviWriter::Post(int32_t num, int32_t den, int32_t mag, int32_t l, int32_t u) {
    postOffset = static_cast<int32_t>(bytes_.size());
    Byte(248).Int(bops.empty() ? -1 : bops.back(), 4);
    Int(num, 4).Int(den, 4).Int(mag, 4).Int(l, 4).Int(u, 4);
    return Int(10, 2).Int(static_cast<int64_t>(bops.size()), 2);
}

DviWriter& DviWriter::PostPost(int trailerBytes) {
    Byte(249).Int(postOffset, 4).Byte(2);
    for (int i = 0; i < trailerBytes; ++i) {
        Byte(223);
    }
    return *this;
}

}  // namespace quirn::test
