#include "app/program_paths.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <filesystem>

#include "core/lang/default_files.h"
#include "core/text/file_writer.h"

namespace ijken::app {

std::string program_directory(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::absolute(argv0, ec);
    return exe.parent_path().string() + "/";
}

std::string data_directory(const std::string& program_dir, bool create) {
    if (::access(program_dir.c_str(), W_OK) == 0) return program_dir;
    const QString location = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Without a home there is nowhere else: the program then fails on its own directory with the
    // database's message.
    if (location.isEmpty()) return program_dir;
    if (create) QDir().mkpath(location);
    return QDir(location).absolutePath().toStdString() + "/";
}

void deliver_language_files(const std::string& program_dir, const std::string& data_dir) {
    try {
        lang::copy_delivered_file("tld.tln", {program_dir, program_dir + "../share/ijken/"}, data_dir);
    } catch (const text::FileWriteError&) {
        // The windows then offer the languages they hold; the database reports a directory that
        // cannot be written at once, with its own message.
    }
}

}  // namespace ijken::app
