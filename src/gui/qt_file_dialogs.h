#pragma once
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "core/forms/services.h"

namespace ijken::gui {

// The save-file dialog with QFileDialog.
class QtFileDialogs : public forms::FileDialogs {
  public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void set_parent(QWidget* parent) { parent_ = parent; }
    std::optional<std::filesystem::path> save_file(const forms::SaveFileRequest& request) override;

  private:
    QPointer<QWidget> parent_;
};

// Qt name filters for a filter in the designed notation, "PDF files (*.pdf)|*.pdf|All|*.*": pairs
// of description and patterns (several patterns separated by ";").
QStringList qt_name_filters(const std::string& filter);

}  // namespace ijken::gui
