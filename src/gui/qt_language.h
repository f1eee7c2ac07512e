#pragma once
#include <QTranslator>
#include <string>

#include "core/forms/services.h"

namespace ijken::gui {

// The toolkit's own texts (Yes and No, the save-file dialog, an edit's context menu) in the
// interface language: Qt's translations for the language, installed in the application and
// replaced when the language changes. A language Qt has no translation of leaves its English.
class QtLanguage : public forms::InterfaceLanguage {
  public:
    QtLanguage() = default;
    ~QtLanguage() override;
    QtLanguage(const QtLanguage&) = delete;
    QtLanguage& operator=(const QtLanguage&) = delete;

    void set_language(const std::string& code) override;
    // The language whose translation is installed; empty for none.
    const std::string& installed() const { return installed_; }

  private:
    QTranslator translator_;
    std::string code_;
    std::string installed_;
};

}  // namespace ijken::gui
