#pragma once
// Charts drawn by the server as SVG (no script): the fleet's loaded tonnage per month as bars, and
// a gauge table as a curve of tonnage over immersion. Each carries a title and description for
// screen readers; the pages show the same figures as a table beside it.
#include <string>
#include <vector>

namespace ijken::web {

struct Bar {
    std::string label;  // "2026-03"
    double value = 0;
};
// Each bar is a <rect class="bar" data-label=".." data-value=".."> with a <title> "label: value".
std::string bar_chart(const std::vector<Bar>& bars, const std::string& title);

struct Point {
    double x = 0, y = 0;
};
std::string curve_chart(const std::vector<Point>& points, const std::string& title, const std::string& x_label,
                        const std::string& y_label);

// A tonnage as the program writes it: three decimals.
std::string tonnes(double value);

}  // namespace ijken::web
