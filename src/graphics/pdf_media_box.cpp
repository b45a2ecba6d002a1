// Just enough of PDF to find the first page's media box: a tolerant object parser, an
// object index built by scanning for "N G obj" (so damaged cross-reference tables do
// not matter), compressed object streams, and the walk down the page tree.
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/vector_graphic_info.h"

namespace quirn {

namespace {

struct PdfValue {
    enum Kind { Null, Bool, Number, Name, String, Keyword, Array, Dict, Ref } kind = Null;
    double number = 0;
    std::string text;  // name (without '/'), keyword
    int refNumber = 0;
    std::vector<PdfValue> items;    // array elements
    std::vector<std::string> keys;  // dictionary keys, with their values in `values`
    std::vector<PdfValue> values;

    const PdfValue* Get(std::string_view key) const {
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == key)
                return &values[i];
        }
        return nullptr;
    }
    bool IsName(std::string_view name) const { return kind == Name && text == name; }
};

bool IsWhite(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}
bool IsDelimiter(char c) {
    return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos;
}

class PdfParser {
  public:
    PdfParser(std::string_view data, size_t pos) : data_(data), pos_(pos) {}
    size_t Pos() const { return pos_; }

    void SkipWhite() {
        while (pos_ < data_.size()) {
            if (IsWhite(data_[pos_])) {
                ++pos_;
            } else if (data_[pos_] == '%') {
                while (pos_ < data_.size() && data_[pos_] != '\n' && data_[pos_] != '\r')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    bool ParseValue(PdfValue* out, int depth = 0) {
        if (depth > 64)
            return false;
        SkipWhite();
        if (pos_ >= data_.size())
            return false;
        char c = data_[pos_];
        if (c == '/') {
            ++pos_;
            out->kind = PdfValue::Name;
            out->text = Regular();
            return true;
        }
        if (c == '(')
            return SkipLiteralString(out);
        if (c == '<' && Peek(1) == '<') {
            pos_ += 2;
            out->kind = PdfValue::Dict;
            while (true) {
                SkipWhite();
                if (pos_ >= data_.size())
                    return false;
                if (data_[pos_] == '>' && Peek(1) == '>') {
                    pos_ += 2;
                    return true;
                }
                PdfValue key;
                if (!ParseValue(&key, depth + 1) || key.kind != PdfValue::Name)
                    return false;
                PdfValue value;
                if (!ParseValue(&value, depth + 1))
                    return false;
                out->keys.push_back(std::move(key.text));
                out->values.push_back(std::move(value));
            }
        }
        if (c == '<') {
            size_t end = data_.find('>', pos_);
            if (end == std::string_view::npos)
                return false;
            pos_ = end + 1;
            out->kind = PdfValue::String;
            return true;
        }
        if (c == '[') {
            ++pos_;
            out->kind = PdfValue::Array;
            while (true) {
                SkipWhite();
                if (pos_ >= data_.size())
                    return false;
                if (data_[pos_] == ']') {
                    ++pos_;
                    return true;
                }
                PdfValue item;
                if (!ParseValue(&item, depth + 1))
                    return false;
                out->items.push_back(std::move(item));
            }
        }
        if (c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'))
            return ParseNumberOrRef(out);
        if (IsDelimiter(c))
            return false;
        std::string word = Regular();
        if (word.empty())
            return false;
        if (word == "true" || word == "false") {
            out->kind = PdfValue::Bool;
        } else if (word == "null") {
            out->kind = PdfValue::Null;
        } else {
            out->kind = PdfValue::Keyword;
        }
        out->text = std::move(word);
        return true;
    }

    // After a dictionary: the position of a following stream's data, or npos.
    size_t StreamStart() {
        SkipWhite();
        if (data_.substr(pos_, 6) != "stream")
            return std::string_view::npos;
        size_t p = pos_ + 6;
        if (p < data_.size() && data_[p] == '\r')
            ++p;
        if (p < data_.size() && data_[p] == '\n')
            ++p;
        return p;
    }

  private:
    char Peek(size_t ahead) const {
        return pos_ + ahead < data_.size() ? data_[pos_ + ahead] : '\0';
    }

    std::string Regular() {
        size_t start = pos_;
        while (pos_ < data_.size() && !IsWhite(data_[pos_]) && !IsDelimiter(data_[pos_]))
            ++pos_;
        return std::string(data_.substr(start, pos_ - start));
    }

    bool SkipLiteralString(PdfValue* out) {
        int nesting = 0;
        for (; pos_ < data_.size(); ++pos_) {
            char c = data_[pos_];
            if (c == '\\') {
                ++pos_;
            } else if (c == '(') {
                ++nesting;
            } else if (c == ')' && --nesting == 0) {
                ++pos_;
                out->kind = PdfValue::String;
                return true;
            }
        }
        return false;
    }

    bool ReadNumber(double* value, bool* integer) {
        size_t start = pos_;
        if (pos_ < data_.size() && (data_[pos_] == '+' || data_[pos_] == '-'))
            ++pos_;
        bool digits = false;
        *integer = true;
        while (pos_ < data_.size() &&
               ((data_[pos_] >= '0' && data_[pos_] <= '9') || data_[pos_] == '.')) {
            if (data_[pos_] == '.')
                *integer = false;
            else
                digits = true;
            ++pos_;
        }
        if (!digits)
            return false;
        std::string_view t = data_.substr(start, pos_ - start);
        if (!t.empty() && t[0] == '+')
            t.remove_prefix(1);
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), *value);
        if (ec != std::errc())
            *value = 0;  // e.g. "1.2.3" or "-.": PDF readers take 0
        return true;
    }

    bool ParseNumberOrRef(PdfValue* out) {
        bool integer = false;
        if (!ReadNumber(&out->number, &integer))
            return false;
        out->kind = PdfValue::Number;
        if (!integer || out->number < 0)
            return true;
        // "N G R" is a reference.
        size_t save = pos_;
        SkipWhite();
        double gen = 0;
        bool genInteger = false;
        if (pos_ < data_.size() && data_[pos_] >= '0' && data_[pos_] <= '9' &&
            ReadNumber(&gen, &genInteger) && genInteger) {
            SkipWhite();
            if (pos_ < data_.size() && data_[pos_] == 'R' &&
                (pos_ + 1 >= data_.size() || IsWhite(data_[pos_ + 1]) ||
                 IsDelimiter(data_[pos_ + 1]))) {
                ++pos_;
                out->kind = PdfValue::Ref;
                out->refNumber = static_cast<int>(std::min(out->number, 1e9));
                return true;
            }
        }
        pos_ = save;
        return true;
    }

    std::string_view data_;
    size_t pos_;
};

// Where each object starts: in the file itself or in an unpacked object stream.
struct ObjectPlace {
    const std::string* buffer = nullptr;  // null: the file
    size_t offset = 0;
};

class PdfIndex {
  public:
    explicit PdfIndex(std::string_view file) : file_(file) { ScanObjects(); }

    bool Load(int number, PdfValue* out, int depth = 0) const {
        auto it = places_.find(number);
        if (it == places_.end() || depth > 8)
            return false;
        std::string_view data = it->second.buffer ? *it->second.buffer : file_;
        PdfParser parser(data, it->second.offset);
        if (!parser.ParseValue(out))
            return false;
        if (out->kind == PdfValue::Ref)
            return Load(out->refNumber, out, depth + 1);
        return true;
    }

    // A value with references followed.
    PdfValue Resolve(const PdfValue& value) const {
        PdfValue resolved;
        if (value.kind != PdfValue::Ref)
            return value;
        if (!Load(value.refNumber, &resolved))
            return PdfValue();
        return resolved;
    }

    const std::vector<int>& FileOrder() const { return order_; }
    int RootNumber() const { return root_; }

  private:
    void ScanObjects();
    void ReadObjectStream(const PdfValue& dict, size_t dictEnd);
    bool StreamData(const PdfValue& dict, size_t start, std::string* out) const;

    std::string_view file_;
    std::map<int, ObjectPlace> places_;
    std::vector<int> order_;
    std::vector<std::unique_ptr<std::string>> unpacked_;
    int root_ = -1;
};

// Every "N G obj" in the file; a later definition replaces an earlier one, as an
// incremental update does.
void PdfIndex::ScanObjects() {
    std::vector<std::pair<PdfValue, size_t>> streams;
    size_t pos = 0;
    while ((pos = file_.find("obj", pos)) != std::string_view::npos) {
        size_t after = pos + 3;
        size_t p = pos;
        pos = after;
        if (after < file_.size() && !IsWhite(file_[after]) && !IsDelimiter(file_[after]))
            continue;
        // Walk back over "N G ".
        auto digitsBack = [&](size_t* q) {
            size_t end = *q;
            while (*q > 0 && file_[*q - 1] >= '0' && file_[*q - 1] <= '9')
                --*q;
            return *q < end;
        };
        auto whiteBack = [&](size_t* q) {
            size_t end = *q;
            while (*q > 0 && IsWhite(file_[*q - 1]))
                --*q;
            return *q < end;
        };
        if (!whiteBack(&p) || !digitsBack(&p) || !whiteBack(&p))
            continue;
        size_t numEnd = p;
        if (!digitsBack(&p) || numEnd - p > 9)
            continue;
        int number = 0;
        std::from_chars(file_.data() + p, file_.data() + numEnd, number);
        places_[number] = ObjectPlace{nullptr, after};
        order_.push_back(number);
        PdfParser parser(file_, after);
        PdfValue value;
        if (!parser.ParseValue(&value) || value.kind != PdfValue::Dict)
            continue;
        const PdfValue* type = value.Get("Type");
        if (type && type->IsName("ObjStm")) {
            streams.emplace_back(std::move(value), parser.Pos());
        } else if (type && type->IsName("XRef")) {
            if (const PdfValue* root = value.Get("Root"); root && root->kind == PdfValue::Ref) {
                root_ = root->refNumber;
            }
        }
    }
    // The trailer dictionary of a classic file names the catalog.
    size_t trailer = file_.rfind("trailer");
    if (trailer != std::string_view::npos) {
        PdfParser parser(file_, trailer + 7);
        PdfValue dict;
        if (parser.ParseValue(&dict) && dict.kind == PdfValue::Dict) {
            if (const PdfValue* root = dict.Get("Root"); root && root->kind == PdfValue::Ref) {
                root_ = root->refNumber;
            }
        }
    }
    for (const auto& [dict, end] : streams)
        ReadObjectStream(dict, end);
}

bool PdfIndex::StreamData(const PdfValue& dict, size_t dictEnd, std::string* out) const {
    PdfParser parser(file_, dictEnd);
    size_t start = parser.StreamStart();
    if (start == std::string_view::npos || start > file_.size())
        return false;
    size_t length = std::string_view::npos;
    if (const PdfValue* len = dict.Get("Length")) {
        PdfValue v = Resolve(*len);
        if (v.kind == PdfValue::Number && v.number >= 0 && v.number <= file_.size() - start) {
            length = static_cast<size_t>(v.number);
        }
    }
    if (length == std::string_view::npos) {
        size_t end = file_.find("endstream", start);
        if (end == std::string_view::npos)
            return false;
        length = end - start;
    }
    std::string_view raw = file_.substr(start, length);
    const PdfValue* filter = dict.Get("Filter");
    if (filter && filter->kind == PdfValue::Array && filter->items.size() == 1) {
        filter = &filter->items[0];
    }
    if (!filter) {
        out->assign(raw);
        return true;
    }
    if (!filter->IsName("FlateDecode"))
        return false;
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    constexpr size_t kLimit = size_t{64} << 20;
    char chunk[16384];
    int rc = Z_OK;
    while (rc == Z_OK && out->size() < kLimit) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out->append(chunk, sizeof chunk - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_in == 0)
            break;
    }
    inflateEnd(&z);
    return !out->empty();
}

void PdfIndex::ReadObjectStream(const PdfValue& dict, size_t dictEnd) {
    const PdfValue* n = dict.Get("N");
    const PdfValue* first = dict.Get("First");
    if (!n || !first || n->kind != PdfValue::Number || first->kind != PdfValue::Number)
        return;
    auto data = std::make_unique<std::string>();
    if (!StreamData(dict, dictEnd, data.get()))
        return;
    if (first->number < 0 || first->number > data->size())
        return;
    const auto firstOffset = static_cast<size_t>(first->number);
    PdfParser header(*data, 0);
    for (int i = 0; i < n->number && i < 1000000; ++i) {
        PdfValue number, offset;
        if (!header.ParseValue(&number) || !header.ParseValue(&offset) ||
            number.kind != PdfValue::Number || offset.kind != PdfValue::Number ||
            offset.number < 0 || offset.number > data->size() - firstOffset) {
            break;
        }
        int objectNumber = static_cast<int>(number.number);
        // A plain definition in the file wins over a packed one.
        if (places_.count(objectNumber))
            continue;
        places_[objectNumber] =
            ObjectPlace{data.get(), firstOffset + static_cast<size_t>(offset.number)};
        order_.push_back(objectNumber);
    }
    unpacked_.push_back(std::move(data));
}

bool BoxFrom(const PdfIndex& index, const PdfValue& value, BoundingBox* box) {
    PdfValue array = index.Resolve(value);
    if (array.kind != PdfValue::Array || array.items.size() != 4)
        return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        PdfValue item = index.Resolve(array.items[i]);
        if (item.kind != PdfValue::Number || !std::isfinite(item.number))
            return false;
        v[i] = item.number;
    }
    box->llx = std::min(v[0], v[2]);
    box->urx = std::max(v[0], v[2]);
    box->lly = std::min(v[1], v[3]);
    box->ury = std::max(v[1], v[3]);
    return box->Width() > 0 && box->Height() > 0;
}

// A quarter turn swaps the page's width and height.
void ApplyRotation(const PdfIndex& index, const PdfValue* rotate, BoundingBox* box) {
    if (!rotate)
        return;
    PdfValue r = index.Resolve(*rotate);
    if (r.kind != PdfValue::Number)
        return;
    long quarter = std::lround(r.number / 90.0);
    if (quarter % 2 != 0)
        *box = BoundingBox{box->lly, box->llx, box->ury, box->urx};
}

// Down the page tree along the first kid, carrying the inheritable media box and rotation.
bool FirstPageBox(const PdfIndex& index, BoundingBox* box) {
    PdfValue catalog;
    if (index.RootNumber() < 0 || !index.Load(index.RootNumber(), &catalog))
        return false;
    const PdfValue* pages = catalog.Get("Pages");
    if (!pages)
        return false;
    PdfValue node = index.Resolve(*pages);
    bool haveBox = false;
    PdfValue rotate;
    std::set<int> visited;
    for (int level = 0; level < 64 && node.kind == PdfValue::Dict; ++level) {
        BoundingBox candidate;
        if (const PdfValue* media = node.Get("MediaBox");
            media && BoxFrom(index, *media, &candidate)) {
            *box = candidate;
            haveBox = true;
        }
        if (const PdfValue* r = node.Get("Rotate"))
            rotate = *r;
        const PdfValue* kids = node.Get("Kids");
        const PdfValue* type = node.Get("Type");
        if (!kids || (type && type->IsName("Page")))
            break;
        PdfValue list = index.Resolve(*kids);
        if (list.kind != PdfValue::Array || list.items.empty())
            break;
        const PdfValue& kid = list.items[0];
        if (kid.kind != PdfValue::Ref || !visited.insert(kid.refNumber).second)
            break;
        PdfValue next;
        if (!index.Load(kid.refNumber, &next))
            break;
        node = std::move(next);
    }
    if (haveBox)
        ApplyRotation(index, &rotate, box);
    return haveBox;
}

}  // namespace

bool FindPdfMediaBox(std::span<const uint8_t> pdf, BoundingBox* box) {
    std::string_view file(reinterpret_cast<const char*>(pdf.data()), pdf.size());
    PdfIndex index(file);
    if (FirstPageBox(index, box))
        return true;
    // Without a usable page tree: the first page object, in file order, with a box.
    for (int number : index.FileOrder()) {
        PdfValue object;
        if (!index.Load(number, &object) || object.kind != PdfValue::Dict)
            continue;
        const PdfValue* type = object.Get("Type");
        const PdfValue* media = object.Get("MediaBox");
        if (type && type->IsName("Page") && media && BoxFrom(index, *media, box)) {
            ApplyRotation(index, object.Get("Rotate"), box);
            return true;
        }
    }
    // Last resort: the first literal /MediaBox anywhere in the file.
    size_t pos = 0;
    while ((pos = file.find("/MediaBox", pos)) != std::string_view::npos) {
        pos += 9;
        PdfParser parser(file, pos);
        PdfValue value;
        if (parser.ParseValue(&value) && BoxFrom(index, value, box))
            return true;
    }
    return false;
}

}  // namespace quirn
