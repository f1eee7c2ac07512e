#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

#include "core/forms/services.h"

namespace ijken::gui {

// Message boxes with QMessageBox, over the given parent window (may be null).
class QtDialogs : public forms::Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr, QString title = QStringLiteral("IJken"));

    void set_parent(QWidget* parent) { parent_ = parent; }

    using forms::Dialogs::confirm;
    void information(const std::string& text) override;
    bool confirm(const std::string& text, forms::Answer default_answer) override;
    void error(const std::string& text) override;
    void error_utf8(const std::string& text) override;

  private:
    QPointer<QWidget> parent_;
    QString title_;
};

}  // namespace ijken::gui
