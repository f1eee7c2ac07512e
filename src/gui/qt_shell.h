#pragma once
#include "core/forms/services.h"

namespace ijken::gui {

// Opens files with the desktop's associated application.
class QtShell : public forms::Shell {
  public:
    // Throws std::runtime_error naming the file when the desktop cannot open it.
    void open_with_application(const std::filesystem::path& file) override;
};

}  // namespace ijken::gui
