#include "core/survey/ship_drawing.h"

#include <cmath>
#include <vector>

namespace ijken::survey {

namespace {

using forms::Point;
using forms::Rect;

constexpr int rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

constexpr int kOutline = rgb(30, 35, 45);
constexpr int kHullSide = rgb(70, 82, 104);
constexpr int kDeck = rgb(186, 188, 182);
constexpr int kHoldFloor = rgb(92, 78, 64);
constexpr int kHoldFloorSeam = rgb(120, 104, 86);
constexpr int kCargo = rgb(214, 176, 96);
constexpr int kCargoTop = rgb(236, 204, 134);
constexpr int kCargoRidge = rgb(176, 138, 64);
constexpr int kDeckhouse = rgb(222, 222, 216);
constexpr int kWheelhouse = rgb(246, 246, 242);
constexpr int kWindows = rgb(40, 60, 96);
constexpr int kGaugeMark = rgb(200, 30, 30);

// The hull's outline in the designed picture, clockwise from the stem.
constexpr Point kHull[] = {
    {40, 2},   {52, 8},  {62, 18}, {69, 32}, {72, 48}, {73, 62}, {73, 290}, {71, 298}, {66, 303},
    {14, 303}, {9, 298}, {7, 290}, {7, 62},  {8, 48},  {11, 32}, {18, 18},  {28, 8},
};
// The deck inside the gangboards: the hull drawn in by a few pixels.
constexpr Point kDeckOutline[] = {
    {40, 8},   {50, 13},  {58, 22},  {64, 34}, {67, 49}, {68, 62}, {68, 288}, {66, 295}, {63, 298},
    {17, 298}, {14, 295}, {12, 288}, {12, 62}, {13, 49}, {16, 34}, {22, 22},  {30, 13},
};

constexpr Rect kHold{17, 56, 46, 190};

class Scaled {
  public:
    Scaled(forms::Painter& painter, int width, int height)
        : p_(painter),
          sx_(static_cast<double>(width) / kShipDesignWidth),
          sy_(static_cast<double>(height) / kShipDesignHeight) {}

    Point at(Point d) const {
        return {static_cast<int>(std::lround(d.x * sx_)), static_cast<int>(std::lround(d.y * sy_))};
    }
    Rect at(const Rect& d) const {
        const Point a = at(Point{d.x, d.y});
        const Point b = at(Point{d.x + d.w, d.y + d.h});
        return {a.x, a.y, b.x - a.x, b.y - a.y};
    }
    template <std::size_t N>
    void polygon(const Point (&points)[N]) {
        std::vector<Point> scaled;
        scaled.reserve(N);
        for (const Point& d : points) scaled.push_back(at(d));
        p_.draw_polygon(scaled);
    }
    void rect(const Rect& d) { p_.draw_rect(at(d)); }
    void ellipse(const Rect& d) { p_.draw_ellipse(at(d)); }
    void line(Point a, Point b) { p_.draw_line(at(a), at(b)); }
    forms::Painter& painter() { return p_; }

  private:
    forms::Painter& p_;
    double sx_;
    double sy_;
};

void paint_hold(Scaled& s, HoldState hold) {
    forms::Painter& p = s.painter();
    if (hold == HoldState::empty) {
        p.set_pen(kOutline, 2);
        p.set_brush(kHoldFloor);
        s.rect(kHold);
        // The tank top's seams, across the hold.
        p.set_pen(kHoldFloorSeam, 1);
        for (int y = kHold.y + 19; y < kHold.y + kHold.h - 4; y += 19) {
            s.line({kHold.x + 2, y}, {kHold.x + kHold.w - 2, y});
        }
        return;
    }
    p.set_pen(kOutline, 2);
    p.set_brush(kCargo);
    s.rect(kHold);
    // The heap: a lighter top along the middle with its ridge, sloping to the hold's corners.
    const Rect top{kHold.x + 9, kHold.y + 12, kHold.w - 18, kHold.h - 24};
    p.set_pen(forms::colour_none);
    p.set_brush(kCargoTop);
    s.rect(top);
    p.set_pen(kCargoRidge, 1);
    const int mid = kHold.x + kHold.w / 2;
    s.line({mid, top.y}, {mid, top.y + top.h});
    s.line({kHold.x + 1, kHold.y + 1}, {top.x, top.y});
    s.line({kHold.x + kHold.w - 1, kHold.y + 1}, {top.x + top.w, top.y});
    s.line({kHold.x + 1, kHold.y + kHold.h - 1}, {top.x, top.y + top.h});
    s.line({kHold.x + kHold.w - 1, kHold.y + kHold.h - 1}, {top.x + top.w, top.y + top.h});
}

}  // namespace

void paint_ship(forms::Painter& painter, int width, int height, HoldState hold,
                const std::array<bool, 5>& marks) {
    if (width <= 0 || height <= 0) return;
    Scaled s(painter, width, height);

    painter.set_pen(kOutline, 1);
    painter.set_brush(kHullSide);
    s.polygon(kHull);
    painter.set_pen(forms::colour_none);
    painter.set_brush(kDeck);
    s.polygon(kDeckOutline);

    // Anchor winch on the foredeck.
    painter.set_pen(kOutline, 1);
    painter.set_brush(kHullSide);
    s.ellipse({35, 30, 10, 10});

    paint_hold(s, hold);

    // Accommodation aft with the wheelhouse and its front windows.
    painter.set_pen(kOutline, 1);
    painter.set_brush(kDeckhouse);
    s.rect({19, 254, 42, 38});
    painter.set_brush(kWheelhouse);
    s.rect({25, 258, 30, 18});
    painter.set_pen(forms::colour_none);
    painter.set_brush(kWindows);
    s.rect({26, 259, 28, 4});

    // The gauge marks on both sides, level with the rows of reading fields.
    painter.set_pen(kGaugeMark, 2);
    for (int point = 0; point < 5; ++point) {
        if (!marks[point]) continue;
        const int y = kGaugeMarkY[point];
        s.line({1, y}, {10, y});
        s.line({70, y}, {79, y});
    }
}

}  // namespace ijken::survey
