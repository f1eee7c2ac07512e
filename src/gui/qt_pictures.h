#pragma once
#include "core/forms/pictures.h"

namespace ijken::gui {

// The pictures built into the program as Qt resources: name "x" is ":/pictures/x.png".
class QtPictures : public forms::Pictures {
  public:
    forms::Bitmap picture(const std::string& name) override;
};

}  // namespace ijken::gui
