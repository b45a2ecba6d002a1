#include "platform/zip_archive.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>

namespace quirn {
namespace {

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Closes a member when it goes out of scope.
struct MemberFile {
    zip_file_t* file = nullptr;
    ~MemberFile() {
        if (file != nullptr)
            zip_fclose(file);
    }
};

}  // namespace

ZipReader::ZipReader() = default;

ZipReader::~ZipReader() {
    Close();
}

bool ZipReader::Open(const std::string& path) {
    Close();
    int code = 0;
    archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (archive_ == nullptr) {
        error_ = path + ": " + ZipErrorText(code);
        return false;
    }
    return true;
}

void ZipReader::Close() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
        archive_ = nullptr;
    }
}

std::vector<std::string> ZipReader::Names() const {
    std::vector<std::string> names;
    if (archive_ == nullptr)
        return names;
    zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0);
        if (name != nullptr)
            names.emplace_back(name);
    }
    return names;
}

std::string ZipReader::FirstNameEndingWith(const std::string& suffix) const {
    for (const std::string& name : Names()) {
        if (name.ends_with(suffix))
            return name;
    }
    return {};
}

bool ZipReader::Has(const std::string& name) const {
    return archive_ != nullptr && zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

bool ZipReader::ExtractToMemory(const std::string& name, std::string& content) {
    content.clear();
    if (archive_ == nullptr) {
        error_ = "no archive";
        return false;
    }
    MemberFile member{zip_fopen(archive_, name.c_str(), 0)};
    if (member.file == nullptr) {
        error_ = name + ": " + zip_strerror(archive_);
        return false;
    }
    char buffer[65536];
    for (;;) {
        zip_int64_t n = zip_fread(member.file, buffer, sizeof buffer);
        if (n < 0) {
            error_ = name + ": " + zip_file_strerror(member.file);
            content.clear();
            return false;
        }
        if (n == 0)
            return true;
        content.append(buffer, static_cast<size_t>(n));
    }
}

bool ZipReader::ExtractToFile(const std::string& name, const std::string& target) {
    if (archive_ == nullptr) {
        error_ = "no archive";
        return false;
    }
    MemberFile member{zip_fopen(archive_, name.c_str(), 0)};
    if (member.file == nullptr) {
        error_ = name + ": " + zip_strerror(archive_);
        return false;
    }
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = target + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        zip_int64_t n = zip_fread(member.file, buffer, sizeof buffer);
        if (n < 0) {
            error_ = name + ": " + zip_file_strerror(member.file);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        const char* p = buffer;
        size_t left = static_cast<size_t>(n);
        while (left > 0) {
            ssize_t w = ::write(fd, p, left);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                error_ = target + ": " + std::strerror(errno);
                ok = false;
                break;
            }
            p += w;
            left -= static_cast<size_t>(w);
        }
        if (!ok)
            break;
    }
    if (::close(fd) != 0 && ok) {
        error_ = target + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(target.c_str());
    return ok;
}

bool WriteZipArchive(const std::string& path, const std::vector<ZipMember>& members,
                     std::string& error) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        error = path + ": " + ZipErrorText(code);
        return false;
    }
    for (const ZipMember& member : members) {
        zip_source_t* source = zip_source_file(archive, member.file.c_str(), 0, -1);
        if (source == nullptr || zip_file_add(archive, member.name.c_str(), source,
                                              ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            error = member.file + ": " + zip_strerror(archive);
            if (source != nullptr)
                zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        error = path + ": " + zip_strerror(archive);
        zip_discard(archive);
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace quirn
