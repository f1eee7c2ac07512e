#pragma once
// The pictures the program carries with it (the about box's strips), by name. The window layer
// reads them from the program's resources; a test hands over bitmaps it built in memory.
#include <map>
#include <stdexcept>
#include <string>

#include "core/forms/bitmap.h"

namespace ijken::forms {

class Pictures {
  public:
    virtual ~Pictures() = default;
    // The picture of that name; throws std::runtime_error, naming it, when there is none.
    virtual Bitmap picture(const std::string& name) = 0;
};

class MemoryPictures : public Pictures {
  public:
    void add(const std::string& name, Bitmap bitmap) { pictures_[name] = std::move(bitmap); }
    Bitmap picture(const std::string& name) override {
        const auto it = pictures_.find(name);
        if (it == pictures_.end()) throw std::runtime_error("Afbeelding \"" + name + "\" ontbreekt");
        return it->second;
    }

  private:
    std::map<std::string, Bitmap> pictures_;
};

}  // namespace ijken::forms
