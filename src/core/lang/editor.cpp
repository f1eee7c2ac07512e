#include "core/lang/editor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "core/text/cp1252.h"

namespace ijken::lang {

namespace {

std::string reason(int error) {
    return std::generic_category().message(error);
}

std::runtime_error open_error(const std::string& path, int error) {
    return std::runtime_error("Cannot open file \"" + path + "\". " + reason(error));
}

// The whole file as bytes. Refuses, before reading it, a file larger than a memo holds.
std::string load_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw open_error(path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw open_error(path, errno);
    if (S_ISDIR(st.st_mode)) throw open_error(path, EISDIR);
    if (st.st_size > static_cast<off_t>(forms::Memo::capacity))
        throw std::length_error("Text exceeds memo capacity");
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw open_error(path, errno);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

}  // namespace

Editor::Editor(Taal& taal, std::function<void()> translate_all)
    : forms::Form("Editor", "Drem taal Editor", forms::Rect{456, 236, 491, 401}),
      taal_(taal),
      translate_all_(std::move(translate_all)),
      memo_(add<forms::Memo>("Memo1", nullptr, forms::Rect{0, 0, 441, 361}, "Memo1")) {
    memo_.set_scroll_bars(forms::Memo::ScrollBars::vertical);
    on_activate = [this] { FormActivate(); };
    on_deactivate = [this] { FormDeactivate(); };
    on_resize = [this] { FormResize(); };
}

std::string Editor::file_for(int active) {
    switch (active) {
        case 1:
            return "tln.tln";
        case 2:
            return "tlf.tln";
        case 3:
            return "tld.tln";
        case 4:
            return "tle.tln";
        default:
            return {};
    }
}

void Editor::FormActivate() {
    const std::string file = file_for(taal_.ActiveTaalFile());
    if (file.empty()) return;
    const std::string path = taal_.directory() + file;
    if (unsaved_ && path == loaded_path_) return;
    text::TextEncoding encoding = text::TextEncoding::cp1252;
    try {
        const std::string bytes = load_file(path);
        encoding = text::detect_encoding(bytes);
        std::string text;
        try {
            text = text::decode_text(bytes, encoding);
        } catch (const text::EncodingError& e) {
            throw text::EncodingError("Cannot open file \"" + path + "\". " + e.what());
        }
        memo_.set_text(std::move(text));
    } catch (const std::exception& e) {
        // Memo1 keeps its text, but that text is not this file's: it must not be typed into and
        // then written over the file.
        loaded_path_.clear();
        memo_.set_read_only(true);
        if (e.what() == reported_error_) return;
        reported_error_ = e.what();
        throw;
    }
    loaded_path_ = path;
    encoding_ = encoding;
    reported_error_.clear();
    memo_.set_read_only(false);
}

void Editor::FormDeactivate() {
    const std::string file = file_for(taal_.ActiveTaalFile());
    if (!file.empty() && taal_.directory() + file == loaded_path_) {
        try {
            text::replace_file(loaded_path_, text::encode_text(memo_.text(), encoding_));
        } catch (const text::FileWriteError& e) {
            unsaved_ = true;
            throw std::runtime_error("Cannot create file \"" + e.path() + "\". " + e.reason());
        }
        unsaved_ = false;
    }
    if (translate_all_) translate_all_();
}

void Editor::FormResize() {
    memo_.set_geometry(forms::Rect{0, 0, std::max(0, client_width() - 5), std::max(0, client_height() - 5)});
}

}  // namespace ijken::lang
