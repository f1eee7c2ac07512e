#pragma once
// The toolkit's own style, with the one standard icon that every menu bar asks for at its birth
// (the button that shows menus which do not fit) loaded when that button is first drawn: reading it
// means looking through the image format plugins, which is not worth a slower start for a button
// that most windows never show.
#include <QProxyStyle>

namespace ijken::gui {

class DeferredIconsStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace ijken::gui
