#pragma once
#include "core/forms/services.h"

namespace ijken::gui {

// Ends the Qt event loop once the current event has been handled.
class QtEventLoop : public forms::EventLoop {
  public:
    void quit() override;
};

}  // namespace ijken::gui
