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

// A round step for about five grid lines up to top.
double grid_step(double top) {
    if (top <= 0) return 1;
    const double raw = top / 5, magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (raw <= f * magnitude) return f * magnitude;
    }
    return 10 * magnitude;
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
    for (const Bar& b : bars) top = std::max(top, b.value);
    const double step = grid_step(top);
    const double scale_top = std::max(step, std::ceil(top / step) * step);
    std::string s = svg_open(width, height, title);
    for (double g = 0; g <= scale_top + step / 2; g += step) {
        const double y = top_margin + plot_h - g / scale_top * plot_h;
        s += "<line class=\"grid\" x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(width - 5) + "\" y1=\"" +
             n1(y) + "\" y2=\"" + n1(y) + "\"/><text x=\"" + std::to_string(left - 6) + "\" y=\"" + n1(y + 4) +
             "\" text-anchor=\"end\">" + text::format_general(g) + "</text>";
    }
    const double slot = static_cast<double>(width - left - 10) / std::max<std::size_t>(bars.size(), 1);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        // A month whose surveys add up below zero (a mistyped survey) draws no bar; its figure stays.
        const double h = std::max(0.0, bars[i].value) / scale_top * plot_h, x = left + 5 + slot * static_cast<double>(i);
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
    for (const Point& p : points) y_max = std::max(y_max, p.y);
    const double step = grid_step(y_max), y_top = std::max(step, std::ceil(y_max / step) * step);
    std::string s = svg_open(width, height, title);
    for (double g = 0; g <= y_top + step / 2; g += step) {
        const double y = top_margin + plot_h - g / y_top * plot_h;
        s += "<line class=\"grid\" x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(width - 15) +
             "\" y1=\"" + n1(y) + "\" y2=\"" + n1(y) + "\"/><text x=\"" + std::to_string(left - 6) + "\" y=\"" +
             n1(y + 4) + "\" text-anchor=\"end\">" + text::format_general(g) + "</text>";
    }
    std::string path;
    for (const Point& p : points) {
        const double x = left + (p.x - x_min) / (x_max - x_min) * plot_w, y = top_margin + plot_h - p.y / y_top * plot_h;
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
