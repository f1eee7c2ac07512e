#pragma once
#include "core/forms/services.h"

namespace ijken::gui {

// Timers on QTimer; every tick runs through the event dispatch.
class QtTimers : public forms::Timers {
  public:
    explicit QtTimers(forms::Dialogs& dialogs) : dialogs_(dialogs) {}
    std::unique_ptr<forms::Timer> create() override;

  private:
    forms::Dialogs& dialogs_;
};

}  // namespace ijken::gui
