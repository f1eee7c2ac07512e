#pragma once
// Positions and sizes of controls, in pixels at 96 dots per inch, as the windows were designed.

namespace ijken::forms {

// A rectangle relative to the parent control's client area (or the form's client area for a
// control without parent). For a form itself: the outer window, relative to the screen.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0;
    int y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// Colours are 0x00BBGGRR in a signed 32-bit integer. This value means "no colour" (the parent's
// background, a hollow brush); negative values are the system's colours, drawn as black.
inline constexpr int colour_none = 0x1FFFFFFF;
inline constexpr int colour_black = 0x000000;
inline constexpr int colour_white = 0xFFFFFF;

}  // namespace ijken::forms
