#include "core/pdf/pdf_output.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <unistd.h>

namespace ijken::pdf {

void MemoryStream::write(std::string_view bytes) {
    if (pos_ + bytes.size() > data_.size()) data_.resize(pos_ + bytes.size());
    std::memcpy(data_.data() + pos_, bytes.data(), bytes.size());
    pos_ += bytes.size();
}

namespace {
[[noreturn]] void throw_file_error(int err, const std::string& what, const std::string& path) {
    throw std::system_error(err, std::generic_category(), what + " \"" + path + "\"");
}
}  // namespace

FileStream::FileStream(const std::string& path) : path_(path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) throw_file_error(errno, "Cannot create file", path);
}

FileStream::~FileStream() {
    if (file_) std::fclose(file_);
}

void FileStream::write(std::string_view bytes) {
    if (!file_) throw_file_error(EBADF, "File is closed", path_);
    if (bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        throw_file_error(errno ? errno : EIO, "Cannot write to file", path_);
    }
    pos_ += static_cast<std::int64_t>(bytes.size());
}

void FileStream::seek_start() {
    if (!file_) throw_file_error(EBADF, "File is closed", path_);
    if (std::fseek(file_, 0, SEEK_SET) != 0) throw_file_error(errno, "Cannot seek in file", path_);
    pos_ = 0;
}

void FileStream::truncate_here() {
    if (!file_) throw_file_error(EBADF, "File is closed", path_);
    if (std::fflush(file_) != 0 || ftruncate(fileno(file_), static_cast<off_t>(pos_)) != 0) {
        throw_file_error(errno ? errno : EIO, "Cannot write to file", path_);
    }
}

void FileStream::close() {
    if (!file_) return;
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) throw_file_error(errno ? errno : EIO, "Cannot write to file", path_);
}

}  // namespace ijken::pdf
