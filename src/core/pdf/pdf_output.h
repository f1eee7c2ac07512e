#pragma once
// Where a document is saved to. The writer needs only three things of it: the current position
// (to record each object's offset), going back to the start, and appending bytes. A document
// meant for a file is saved to memory and handed to the file writer (core/text/file_writer.h).
#include <cstdint>
#include <string>
#include <string_view>

namespace ijken::pdf {

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void write(std::string_view bytes) = 0;
    virtual std::int64_t position() const = 0;
    virtual void seek_start() = 0;
    // Drops whatever lies beyond the current position, so that a document saved over a longer one
    // does not keep the old tail after its end-of-file line.
    virtual void truncate_here() = 0;
};

// A growable buffer in memory. Writing after seek_start() overwrites from the start; the size is
// that of the longest content written, as with any random-access stream.
class MemoryStream : public OutputStream {
public:
    void write(std::string_view bytes) override;
    std::int64_t position() const override { return static_cast<std::int64_t>(pos_); }
    void seek_start() override { pos_ = 0; }
    void truncate_here() override { data_.resize(pos_); }

    const std::string& data() const { return data_; }
    void clear() {
        data_.clear();
        pos_ = 0;
    }

private:
    std::string data_;
    std::size_t pos_ = 0;
};

}  // namespace ijken::pdf
