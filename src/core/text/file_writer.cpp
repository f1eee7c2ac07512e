#include "core/text/file_writer.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::text {

namespace fs = std::filesystem;

namespace {

std::string system_reason(int error) {
    return std::generic_category().message(error);
}

// A file that is a link to one elsewhere is written where the link points.
fs::path resolve_link(const fs::path& requested) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(requested, ec))) return requested;
    const fs::path resolved = fs::weakly_canonical(requested, ec);
    return ec ? requested : resolved;
}

fs::path next_temp_name(const fs::path& target) {
    static std::atomic<unsigned long long> serial{0};
    return target.string() + ".~" + format_int(::getpid()) + "-" + format_int(static_cast<long long>(++serial));
}

// Creates the temporary file exclusively: a name something else left behind is never reused.
// The replacement of an existing file gets its permissions and, where allowed, its owner (a
// failure there leaves the umask's permissions, which is no reason to refuse the write).
int create_temp(const fs::path& target, fs::path& temp, const std::string& shown) {
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    const mode_t mode = existed ? (old.st_mode & 07777) : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = next_temp_name(target);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            // Each change is a write to the disk's journal: made only where the new file differs.
            struct stat made {};
            if (existed && ::fstat(fd, &made) == 0) {
                if ((made.st_mode & 07777) != mode && ::fchmod(fd, mode) != 0) {
                }
                if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
                    ::fchown(fd, old.st_uid, old.st_gid) != 0) {
                }
            }
            return fd;
        }
        if (errno != EEXIST) throw FileWriteError(shown, errno, FileWriteError::Step::create);
    }
    throw FileWriteError(shown, EEXIST, FileWriteError::Step::create);
}

// The rename reaches the disk with the directory. The file itself is on the disk already: a
// directory that cannot be flushed is no failure of it.
void sync_directory_of(const fs::path& target) {
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    if (::fsync(fd) != 0) {
    }
    ::close(fd);
}

}  // namespace

FileWriteError::FileWriteError(const std::string& path, std::string reason)
    : std::runtime_error("Unable to write to " + path), path_(path), reason_(std::move(reason)) {}

FileWriteError::FileWriteError(const std::string& path, int error, Step step)
    : FileWriteError(path, system_reason(error)) {
    error_ = error;
    step_ = step;
}

PendingFile::PendingFile(const fs::path& target, Create create)
    : shown_(target.string()), target_(resolve_link(target)) {
    if (create == Create::now) {
        fd_ = create_temp(target_, temp_, shown_);
        return;
    }
    struct stat st {};
    do {
        temp_ = next_temp_name(target_);
    } while (::lstat(temp_.c_str(), &st) == 0);
}

PendingFile::PendingFile(const fs::path& target, fs::path temp)
    : shown_(target.string()), target_(target), temp_(std::move(temp)) {}

PendingFile::~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (committed_) return;
    for (const char* side : {"", "-journal", "-wal", "-shm"}) ::unlink((temp_.string() + side).c_str());
}

void PendingFile::write(std::string_view bytes) {
    if (fd_ < 0) throw FileWriteError(shown_, EBADF, FileWriteError::Step::write);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileWriteError(shown_, errno, FileWriteError::Step::write);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The temporary file on the disk, and closed: a file the caller wrote is opened for the flush.
void PendingFile::flush() {
    const int fd = fd_ >= 0 ? fd_ : ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    fd_ = -1;
    if (fd < 0) throw FileWriteError(shown_, errno, FileWriteError::Step::write);
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        throw FileWriteError(shown_, error, FileWriteError::Step::write);
    }
    if (::close(fd) != 0) throw FileWriteError(shown_, errno, FileWriteError::Step::write);
}

void PendingFile::finish(Flush flush) {
    committed_ = true;
    if (flush == Flush::directory) sync_directory_of(target_);
}

void PendingFile::commit(Flush flush) {
    this->flush();
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        throw FileWriteError(shown_, errno, FileWriteError::Step::rename);
    finish(flush);
}

bool PendingFile::commit_unless_present() {
    flush();
    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        finish(Flush::directory);
        return true;
    }
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) throw FileWriteError(shown_, errno, FileWriteError::Step::rename);
    // A file system that cannot refuse to replace: check, then rename.
    std::error_code ec;
    if (fs::exists(target_, ec)) return false;
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        throw FileWriteError(shown_, errno, FileWriteError::Step::rename);
    finish(Flush::directory);
    return true;
}

void replace_file(const fs::path& path, std::string_view bytes, Flush flush) {
    PendingFile file(path);
    file.write(bytes);
    file.commit(flush);
}

std::string display_path(const fs::path& path) {
    const std::string bytes = path.string();
    try {
        return utf8_to_cp1252(bytes);
    } catch (const EncodingError&) {
        std::string shown;
        for (char c : bytes) shown += static_cast<unsigned char>(c) < 0x80 ? c : '?';
        return shown;
    }
}

}  // namespace ijken::text
