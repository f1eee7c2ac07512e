#include "core/data/own_files.h"

#include <sys/stat.h>

#include <stdexcept>


namespace ijken::data {

using text::display_path;

namespace {

// Whether `a` (stat() gave `sa`, or failed when a_exists is false) and `b` name the same file.
bool same_file(const std::filesystem::path& a, bool a_exists, const struct stat& sa, const std::filesystem::path& b) {
    struct stat sb {};
    const bool b_exists = ::stat(b.c_str(), &sb) == 0;
    if (a_exists && b_exists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (a_exists != b_exists) return false;
    std::error_code ea;
    std::error_code eb;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
    return !ea && !eb && ca == cb;
}

}  // namespace

std::vector<OwnFile> own_files(const std::string& db_pad, const std::string& language_dir,
                               const std::vector<std::string>& more_language_files) {
    std::vector<OwnFile> own;
    for (const char* side : {"", "-journal", "-wal", "-shm"})
        own.push_back({db_pad + side, OwnFile::Kind::database});
    std::vector<std::string> names = {"tln.tln", "tlf.tln", "tld.tln", "tle.tln"};
    names.insert(names.end(), more_language_files.begin(), more_language_files.end());
    for (const std::string& name : names) {
        if (!name.empty()) own.push_back({std::filesystem::path(language_dir) / name, OwnFile::Kind::language_file});
    }
    if (auto program = running_program(); !program.empty()) own.push_back({std::move(program), OwnFile::Kind::program});
    return own;
}

std::filesystem::path running_program() {
    // The link names the file the process runs, also when it was started through another link;
    // compared by identity, a hard link or another spelling of its path is the same file.
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

std::optional<OwnFile> own_file_at(const std::filesystem::path& target, const std::vector<OwnFile>& own) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    for (const OwnFile& file : own) {
        if (same_file(target, exists, st, file.path)) return file;
    }
    return std::nullopt;
}

void refuse_own_file(const std::filesystem::path& target, const std::vector<OwnFile>& own) {
    const auto file = own_file_at(target, own);
    if (!file) return;
    if (const auto at = file->refusal.find("%1"); at != std::string::npos) {
        throw std::runtime_error(std::string(file->refusal).replace(at, 2, display_path(target)));
    }
    const std::string what = file->kind == OwnFile::Kind::database        ? "de database van het programma"
                             : file->kind == OwnFile::Kind::language_file ? "een taalbestand van het programma"
                                                                          : "het programma zelf";
    throw std::runtime_error("\"" + display_path(target) + "\" is " + what +
                             " en wordt niet overschreven; kies een andere naam");
}

void check_output_path(const std::filesystem::path& target) {
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) {
        throw std::runtime_error("\"" + display_path(target) + "\" is een map, geen bestand");
    }
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    if (!std::filesystem::is_directory(folder, ec)) {
        throw std::runtime_error("De map \"" + display_path(folder) + "\" bestaat niet");
    }
}

void throw_output_error(const std::filesystem::path& target, const text::FileWriteError& error) {
    const std::string shown = "\"" + display_path(target) + "\"";
    switch (error.step()) {
        case text::FileWriteError::Step::create:
            throw std::runtime_error("Kan " + shown + " niet schrijven");
        case text::FileWriteError::Step::write:
            throw std::runtime_error("Schrijven naar " + shown + " mislukt");
        case text::FileWriteError::Step::rename:
            break;
    }
    throw std::runtime_error("Kan " + shown + " niet schrijven: " + error.reason());
}

}  // namespace ijken::data
