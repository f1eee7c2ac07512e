#include "core/report/pr_control.h"

#include <algorithm>

#include "core/report/pr_page.h"

namespace ijken::report {

PRControl::PRControl(std::string name, int width, int height)
    : name_(std::move(name)), width_(width), height_(height) {}

PRControl::~PRControl() {
    // Children first, so that none outlives the control it stands on.
    while (!children_.empty()) children_.pop_back();
}

PRPage* PRControl::Page() {
    for (PRControl* c = this; c != nullptr; c = c->parent_) {
        if (PRPage* page = c->AsPage()) return page;
    }
    return nullptr;
}

const PRPage* PRControl::Page() const {
    return const_cast<PRControl*>(this)->Page();
}

void PRControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (resized) Realign();
    // Only an aligned child's size matters to its siblings; a free one may move as it likes. While
    // the parent arranges its children it sets their bounds itself.
    const bool aligned = align_ != Align::alNone && align_ != Align::alCustom;
    if (parent_ != nullptr && !parent_->aligning_ && (resized || aligned)) parent_->Realign();
}

void PRControl::SetAlign(Align value) {
    if (value == align_) return;
    align_ = value;
    if (parent_ != nullptr) parent_->Realign();
}

void PRControl::CheckParent(const PRControl&) const {}

PRControl& PRControl::Insert(std::unique_ptr<PRControl>& child) {
    if (!child) throw std::logic_error("No component to put on " + name_);
    child->CheckParent(*this);
    if (!IsContainer()) {
        throw std::logic_error(std::string(ClassName()) + " " + name_ + " can hold no components");
    }
    child->parent_ = this;
    children_.push_back(std::move(child));
    PRControl& ref = *children_.back();
    Realign();
    return ref;
}

std::unique_ptr<PRControl> PRControl::Remove(PRControl& child) {
    auto it =
        std::find_if(children_.begin(), children_.end(), [&](const auto& c) { return c.get() == &child; });
    if (it == children_.end()) return nullptr;
    std::unique_ptr<PRControl> removed = std::move(*it);
    children_.erase(it);
    removed->parent_ = nullptr;
    Realign();
    return removed;
}

PRControl* PRControl::Find(std::string_view name) {
    if (name_ == name) return this;
    for (const auto& child : children_) {
        if (PRControl* found = child->Find(name)) return found;
    }
    return nullptr;
}

void PRControl::Realign() {
    if (!IsContainer() || children_.empty() || aligning_) return;
    aligning_ = true;
    try {
        AlignControls();
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void PRControl::AlignControls() {
    Rect area = AlignArea();
    for (Align kind : {Align::alTop, Align::alBottom, Align::alLeft, Align::alRight, Align::alClient}) {
        for (const auto& child : children_) {
            PRControl& c = *child;
            if (c.align_ != kind) continue;
            const int area_width = std::max(0, area.Right - area.Left);
            const int area_height = std::max(0, area.Bottom - area.Top);
            switch (kind) {
                case Align::alTop:
                    c.SetBounds(area.Left, area.Top, area_width, c.height_);
                    area.Top += c.height_;
                    break;
                case Align::alBottom:
                    c.SetBounds(area.Left, area.Bottom - c.height_, area_width, c.height_);
                    area.Bottom -= c.height_;
                    break;
                case Align::alLeft:
                    c.SetBounds(area.Left, area.Top, c.width_, area_height);
                    area.Left += c.width_;
                    break;
                case Align::alRight:
                    c.SetBounds(area.Right - c.width_, area.Top, c.width_, area_height);
                    area.Right -= c.width_;
                    break;
                default:
                    c.SetBounds(area.Left, area.Top, area_width, area_height);
                    break;
            }
        }
    }
}

void PRControl::Paint(forms::Painter&, int, int) const {}

void PRControl::PaintTree(forms::Painter& painter, int x, int y) const {
    Paint(painter, x, y);
    // A container without room shows nothing of its children, as a window of no size would.
    if (!IsContainer() || width_ <= 0 || height_ <= 0) return;
    for (const auto& child : children_) child->PaintTree(painter, x + child->left_, y + child->top_);
}

}  // namespace ijken::report
