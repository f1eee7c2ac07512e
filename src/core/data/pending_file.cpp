#include "core/data/pending_file.h"

#include <random>
#include <stdexcept>
#include <system_error>

#include "core/text/cp1252.h"

namespace ijken::data {

namespace fs = std::filesystem;

namespace {

std::string random_suffix() {
    std::random_device device;
    std::uniform_int_distribution<unsigned> digit(0, 35);
    std::string s;
    for (int i = 0; i < 8; ++i) {
        const unsigned d = digit(device);
        s += static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
    }
    return s;
}

}  // namespace

std::string display_path(const fs::path& path) {
    const std::string bytes = path.string();
    try {
        return text::utf8_to_cp1252(bytes);
    } catch (const text::EncodingError&) {
        std::string shown;
        for (char c : bytes) shown += static_cast<unsigned char>(c) < 0x80 ? c : '?';
        return shown;
    }
}

PendingFile::PendingFile(fs::path target) : target_(std::move(target)) {
    std::error_code ec;
    if (fs::is_directory(target_, ec)) {
        throw std::runtime_error("\"" + display_path(target_) + "\" is een map, geen bestand");
    }
    fs::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::is_directory(folder, ec)) {
        throw std::runtime_error("De map \"" + display_path(folder) + "\" bestaat niet");
    }
    // Hidden, and named after the target, so that a left-over after a power cut explains itself.
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + a string.
    std::string name = ".";
    name += target_.filename().string();
    name += '.';
    name += random_suffix();
    name += ".tmp";
    temp_ = folder / name;
}

PendingFile::~PendingFile() {
    if (committed_) return;
    std::error_code ec;
    for (const char* side : {"", "-journal", "-wal", "-shm"}) fs::remove(temp_.string() + side, ec);
}

void PendingFile::commit() {
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    if (ec) {
        throw std::runtime_error("Kan \"" + display_path(target_) + "\" niet schrijven: " + ec.message());
    }
    committed_ = true;
}

}  // namespace ijken::data
