#pragma once
// What every fuzz target shares. A target is one file in targets/ that defines
// LLVMFuzzerTestOneInput and checks a property of what the code under test made of the input;
// FUZZ_CHECK stops the process on a broken property, which libFuzzer reports as a crash and the
// corpus replay as a failed test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ijken::fuzz {

// True in the corpus replay built with the ordinary compiler (every input gets the expensive
// checks there); false under libFuzzer, where they are sampled.
#ifdef IJKEN_FUZZ_REPLAY
inline constexpr bool kReplay = true;
#else
inline constexpr bool kReplay = false;
#endif

// The input shown in a failure message: printable bytes as they are, the others as \xNN.
inline std::string shown(std::string_view bytes) {
    static const char* hex = "0123456789abcdef";
    std::string s;
    for (char c : bytes.substr(0, 400)) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && b != '\\') {
            s += c;
        } else {
            s += "\\x";
            s += hex[b >> 4];
            s += hex[b & 15];
        }
    }
    if (bytes.size() > 400) s += "...";
    return s;
}

[[noreturn]] inline void fail(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n  %s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// Takes the input apart: fixed-size values first, the rest as bytes.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <class T>
    T value() {
        T v{};
        auto* out = reinterpret_cast<unsigned char*>(&v);
        for (std::size_t i = 0; i < sizeof(T); ++i) out[i] = byte();
        return v;
    }
    std::string_view bytes(std::size_t n) {
        n = std::min(n, size_ - at_);
        std::string_view s(reinterpret_cast<const char*>(data_) + at_, n);
        at_ += n;
        return s;
    }
    std::string_view rest() { return bytes(size_ - at_); }
    bool empty() const { return at_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace ijken::fuzz

#define FUZZ_CHECK(condition, detail)                                                    \
    do {                                                                                 \
        if (!(condition)) ::ijken::fuzz::fail(__FILE__, __LINE__, #condition, (detail)); \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
