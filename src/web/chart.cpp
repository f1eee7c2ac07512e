#include "web/chart.h"

#include <algorithm>
#include <cmath>

#include "core/text/numbers.h"
#include "web/html.h"

namespace ijken::web {

namespace {

std::string n1(double v) {
    return text::format_fixed(v, 1);
}

// The value axis: a round step and the number of steps (at most six) that reach above the largest
// finite value. Whatever the values (infinite, NaN, near the largest double, subnormal), the grid has
// a handful of lines: a value the scale cannot hold is drawn at its top, its figure stays exact in
// the table beside the chart.
struct Scale {
    double step = 1;
    int steps = 1;
    // Where v lies on the axis, from 0 (bottom) to 1 (top).
    double at(double v) const {
        if (!(v > 0)) return 0;
        return std::min(1.0, v / step / steps);
    }
};

Scale scale_for(double top) {
    if (!(top > 0) || !std::isfinite(top)) return {};
    const double raw = top / 5, magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    Scale s{top, 1};
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return s;
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (raw <= f * magnitude) {
            s.step = f * magnitude;
            break;
        }
    }
    s.steps = static_cast<int>(std::clamp(std::ceil(top / s.step), 1.0, 6.0));
    // Near the largest double the top grid line itself would be infinite: one line less.
    while (s.steps > 1 && !std::isfinite(s.step * s.steps)) --s.steps;
    return s;
}

double finite_top(double top, double v) {
    return std::isfinite(v) ? std::max(top, v) : top;
}

std::string svg_open(int width, int height, const std::string& title) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) + " " +
           std::to_string(height) + "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
           "\" role=\"img\" aria-labelledby=\"chart-title\"><title id=\"chart-title\">" + escape(title) + "</title>";
}

}  // namespace

std::string tonnes(double value) {
    return text::format_fixed(value, 3);
}

std::string bar_chart(const std::vector<Bar>& bars, const std::string& title) {
    const int width = 720, height = 260, left = 70, bottom = 40, top_margin = 10;
    const double plot_h = height - bottom - top_margin;
    double top = 0;
    for (const Bar& b : bars) top = finite_top(top, b.value);
    const Scale scale = scale_for(top);
    std::string s = svg_open(width, height, title);
    for (int i = 0; i <= scale.steps; ++i) {
        const double g = scale.step * i, y = top_margin + plot_h - static_cast<double>(i) / scale.steps * plot_h;
        s += "<line class=\"grid\" x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(width - 5) + "\" y1=\"" +
             n1(y) + "\" y2=\"" + n1(y) + "\"/><text x=\"" + std::to_string(left - 6) + "\" y=\"" + n1(y + 4) +
             "\" text-anchor=\"end\">" + text::format_general(g) + "</text>";
    }
    const double slot = static_cast<double>(width - left - 10) / std::max<std::size_t>(bars.size(), 1);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        // A month whose surveys add up below zero (a mistyped survey) draws no bar; its figure stays.
        const double h = scale.at(bars[i].value) * plot_h, x = left + 5 + slot * static_cast<double>(i);
        s += "<rect class=\"bar\" x=\"" + n1(x) + "\" y=\"" + n1(top_margin + plot_h - h) + "\" width=\"" +
             n1(slot * 0.7) + "\" height=\"" + n1(h) + "\" data-label=\"" + escape(bars[i].label) +
             "\" data-value=\"" + tonnes(bars[i].value) + "\"><title>" + escape(bars[i].label) + ": " +
             tonnes(bars[i].value) + " t</title></rect>";
        s += "<text x=\"" + n1(x + slot * 0.35) + "\" y=\"" + std::to_string(height - bottom + 16) +
             "\" text-anchor=\"middle\">" + escape(bars[i].label) + "</text>";
    }
    s += "<line class=\"axis\" x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(width - 5) + "\" y1=\"" +
         n1(top_margin + plot_h) + "\" y2=\"" + n1(top_margin + plot_h) + "\"/>";
    return s + "</svg>";
}

std::string curve_chart(const std::vector<Point>& points, const std::string& title, const std::string& x_label,
                        const std::string& y_label) {
    const int width = 720, height = 320, left = 70, bottom = 45, top_margin = 10;
    const double plot_w = width - left - 15, plot_h = height - bottom - top_margin;
    double x_min = 0, x_max = 1, y_max = 0;
    if (!points.empty()) {
        x_min = points.front().x;
        x_max = std::max(points.back().x, x_min + 1);
    }
    for (const Point& p : points) y_max = finite_top(y_max, p.y);
    const Scale scale = scale_for(y_max);
    std::string s = svg_open(width, height, title);
    for (int i = 0; i <= scale.steps; ++i) {
        const double g = scale.step * i, y = top_margin + plot_h - static_cast<double>(i) / scale.steps * plot_h;
        s += "<line class=\"grid\" x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(width - 15) +
             "\" y1=\"" + n1(y) + "\" y2=\"" + n1(y) + "\"/><text x=\"" + std::to_string(left - 6) + "\" y=\"" +
             n1(y + 4) + "\" text-anchor=\"end\">" + text::format_general(g) + "</text>";
    }
    std::string path;
    for (const Point& p : points) {
        // A tonnage that is not a number has no place on the curve; its row shows it.
        if (std::isnan(p.y)) continue;
        const double x = left + (p.x - x_min) / (x_max - x_min) * plot_w,
                     y = top_margin + plot_h - scale.at(p.y) * plot_h;
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain of + here.
        if (!path.empty()) path += ' ';
        path += n1(x);
        path += ',';
        path += n1(y);
    }
    if (!path.empty()) s += "<polyline class=\"curve\" points=\"" + path + "\"/>";
    for (double v : {x_min, x_max}) {
        s += "<text x=\"" + n1(left + (v - x_min) / (x_max - x_min) * plot_w) + "\" y=\"" +
             std::to_string(height - bottom + 16) + "\" text-anchor=\"middle\">" + text::format_general(v) + "</text>";
    }
    s += "<text x=\"" + n1(left + plot_w / 2) + "\" y=\"" + std::to_string(height - 8) + "\" text-anchor=\"middle\">" +
         escape(x_label) + "</text><text x=\"12\" y=\"" + n1(top_margin + plot_h / 2) +
         "\" transform=\"rotate(-90 12 " + n1(top_margin + plot_h / 2) + ")\" text-anchor=\"middle\">" +
         escape(y_label) + "</text>";
    return s + "</svg>";
}

}  // namespace ijken::web
