#include "gui/caption_fit.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QStringList>
#include <algorithm>
#include <set>
#include <unordered_map>

namespace ijken::gui {

namespace {

// What a grown label keeps free beside the next control's text or box.
constexpr int kGap = 3;

struct Fit {
    CaptionDesign design;
    bool changed = false;  // placed otherwise than designed
    bool elided = false;
};

// Every label with a design; a label leaves the table when it is destroyed.
std::unordered_map<const QObject*, Fit>& fits() {
    static std::unordered_map<const QObject*, Fit> table;
    return table;
}

// The width of the widest line, as the toolkit sizes a label for its text.
int text_width(const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& line : text.split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

int pixel_size(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

// The box a label stands in while it fits: a zero-width design takes its text's width from x.
QRect designed_box(const Fit& fit) {
    const QRect& box = fit.design.box;
    if (box.width() > 0) return box;
    const int w = text_width(fit.design.text, fit.design.font);
    return fit.design.alignment & Qt::AlignRight ? QRect(box.x() - w, box.y(), w, box.height())
                                                 : QRect(box.x(), box.y(), w, box.height());
}

void show_design(QLabel* label, Fit& fit) {
    const QRect box = designed_box(fit);
    if (label->geometry() != box) label->setGeometry(box);
    if (label->font() != fit.design.font) label->setFont(fit.design.font);
    if (label->text() != fit.design.text) label->setText(fit.design.text);
    if (label->toolTip() != fit.design.hint) label->setToolTip(fit.design.hint);
    fit.changed = false;
    fit.elided = false;
}

// The part of a sibling that a label must leave free: a designed label's text, any other
// widget's box.
QRect occupied(const QWidget* w) {
    const auto it = fits().find(w);
    if (it == fits().end()) return w->geometry();
    const auto* label = static_cast<const QLabel*>(w);
    const QRect g = label->geometry();
    const int tw = std::min(g.width(), text_width(label->text(), label->font()));
    if (tw <= 0) return {};
    const Qt::Alignment a = it->second.design.alignment;
    const int x = a & Qt::AlignRight ? g.x() + g.width() - tw : a & Qt::AlignHCenter ? g.x() + (g.width() - tw) / 2 : g.x();
    return {x, g.y(), tw, g.height()};
}

// The free stretch [lo, hi) of the row the box stands in: the parent's inside, less what the
// visible siblings beside the box take up. A sibling that overlaps the box by design is not ours
// to settle.
std::pair<int, int> free_stretch(const QLabel* label, const QRect& box, const QWidget* parent) {
    const bool framed = qobject_cast<const QGroupBox*>(parent) != nullptr;
    int lo = std::min(box.x(), framed ? 2 : 0);
    int hi = std::max(box.x() + box.width(), parent->width() - (framed ? 3 : 0));
    for (const QObject* child : parent->children()) {
        const auto* w = qobject_cast<const QWidget*>(child);
        if (w == nullptr || w == label || w->isHidden() || w->isWindow()) continue;
        const QRect o = occupied(w);
        if (o.isEmpty() || o.bottom() < box.top() || o.top() > box.bottom()) continue;
        if (o.right() < box.x()) lo = std::max(lo, o.right() + 1 + kGap);
        else if (o.x() >= box.x() + box.width()) hi = std::min(hi, o.x() - kGap);
    }
    return {lo, hi};
}

void place(QLabel* label, Fit& fit, const QWidget* parent) {
    const CaptionDesign& d = fit.design;
    const QRect box = d.box.width() > 0 ? d.box : QRect(d.box.x(), d.box.y(), 0, d.box.height());
    const int needed = text_width(d.text, d.font);
    if (d.box.width() > 0 && needed <= box.width()) return;
    const auto [lo, hi] = free_stretch(label, box, parent);
    const int right = box.x() + box.width();
    int room = d.alignment & Qt::AlignRight ? right - lo : d.alignment & Qt::AlignHCenter
                                                               ? box.width() + 2 * std::min(box.x() - lo, hi - right)
                                                               : hi - box.x();
    room = std::max(room, box.width());

    // Smaller, down to three quarters of the designed size, until the text fits the room.
    QFont font = d.font;
    const int designed_px = pixel_size(d.font);
    const int smallest = std::max(8, designed_px * 3 / 4);
    int width = needed;
    for (int px = designed_px; width > room && px > smallest;) {
        font.setPixelSize(--px);
        width = text_width(d.text, font);
    }
    width = std::max(box.width(), std::min(width, room));
    int x = box.x();
    if (d.alignment & Qt::AlignRight) x = right - width;
    else if (d.alignment & Qt::AlignHCenter) x = box.x() - (width - box.width()) / 2;
    label->setGeometry(x, box.y(), width, box.height());
    if (font != d.font) {
        label->setFont(font);
        // The binder puts the designed font back before the label is placed again.
        label->setProperty("ijken_font", QVariant());
    }
    fit.changed = true;

    const QFontMetrics metrics(font);
    if (text_width(d.text, font) <= width) return;
    QStringList lines = d.text.split('\n');
    for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideRight, width);
    label->setText(lines.join('\n'));
    label->setToolTip(d.hint.isEmpty() || d.hint == d.text ? d.text : d.text + "\n\n" + d.hint);
    fit.elided = true;
}

}  // namespace

void set_caption_design(QLabel* label, const CaptionDesign& design) {
    auto [it, added] = fits().try_emplace(label);
    if (added) QObject::connect(label, &QObject::destroyed, [](QObject* gone) { fits().erase(gone); });
    it->second.design = design;
    show_design(label, it->second);
}

void fit_captions(QWidget* parent) {
    std::vector<std::pair<QLabel*, Fit*>> labels;
    bool work = false;
    for (QObject* child : parent->children()) {
        const auto it = fits().find(child);
        if (it == fits().end()) continue;
        Fit& fit = it->second;
        labels.emplace_back(static_cast<QLabel*>(child), &fit);
        const QRect& box = fit.design.box;
        work = work || fit.changed || box.width() == 0 ||
               text_width(fit.design.text, fit.design.font) > box.width();
    }
    // The usual case, every caption fitting as designed, costs one measure per label.
    if (!work) return;
    for (auto& [label, fit] : labels) show_design(label, *fit);
    for (auto& [label, fit] : labels) {
        if (!label->isHidden()) place(label, *fit, parent);
    }
}

void fit_captions_within(QWidget* root) {
    std::set<QWidget*> parents;
    for (const auto& entry : fits()) {
        QWidget* parent = static_cast<const QWidget*>(entry.first)->parentWidget();
        if (parent != nullptr && (parent == root || root->isAncestorOf(parent))) parents.insert(parent);
    }
    for (QWidget* parent : parents) fit_captions(parent);
}

bool caption_elided(const QLabel* label) {
    const auto it = fits().find(label);
    return it != fits().end() && it->second.elided;
}

}  // namespace ijken::gui
