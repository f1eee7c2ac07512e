#include "core/pdf/pdf_output.h"

#include <cstring>

namespace ijken::pdf {

void MemoryStream::write(std::string_view bytes) {
    if (pos_ + bytes.size() > data_.size()) data_.resize(pos_ + bytes.size());
    std::memcpy(data_.data() + pos_, bytes.data(), bytes.size());
    pos_ += bytes.size();
}

}  // namespace ijken::pdf
