#pragma once
// The icon of the program's windows.
#include <QIcon>

namespace ijken::gui {

// The program's icon as the build drew it from its SVG at the sizes the window system is given
// (desktop/render_window_icon.cpp): the same pixels as drawing the SVG, without reading and drawing
// it at every start. The SVG itself should those pixels be missing.
QIcon window_icon();

}  // namespace ijken::gui
