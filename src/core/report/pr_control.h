#pragma once
// The report's components: a tree of a page, panels and printable items, each with an integer
// position and size in page units (PDF points), relative to its parent's top left corner, y
// downward. A container keeps its aligned children arranged (AlignControls), prints them onto a PDF
// canvas and paints them as the on-screen preview, one pixel per unit.
//
// Names follow the report's design: operations and properties are PascalCase (SetAlign,
// GetTextWidth), as the PDF writer's are.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/forms/painter.h"

namespace ijken::report {

// Colours are 0x00BBGGRR; clNone means no colour, negative values are system colours (black).
using Color = std::int32_t;
inline constexpr Color clNone = 0x1FFFFFFF;
inline constexpr Color clBlack = 0;
inline constexpr Color clGray = 0x808080;
inline constexpr Color clWhite = 0xFFFFFF;

enum class Align : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

// Left, top, right and bottom in page units; right and bottom exclusive.
struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

class PRPage;
class PRPanel;
class PRItem;
class PRControl;

// A component of the wrong kind for the parent it was put on (the messages are the report's own).
class ParentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PRControl {
  public:
    virtual ~PRControl();
    PRControl(const PRControl&) = delete;
    PRControl& operator=(const PRControl&) = delete;

    const std::string& Name() const { return name_; }
    // The class name the messages show ("TPRLabel").
    virtual std::string_view ClassName() const = 0;

    PRControl* Parent() const { return parent_; }
    // The first page among the parents (or this control itself); null when it stands on none.
    PRPage* Page();
    const PRPage* Page() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // The control's rectangle in its parent's coordinates.
    Rect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }

    Align GetAlign() const { return align_; }
    void SetAlign(Align value);

    // ---- children (containers only) ----

    // Whether components can be put on this one.
    virtual bool IsContainer() const { return false; }
    // This component as a page, a panel or a printable item; null when it is none. (Printing asks
    // this of every component it meets, more cheaply than a dynamic_cast.)
    virtual PRPage* AsPage() { return nullptr; }
    virtual PRPanel* AsPanel() { return nullptr; }
    virtual PRItem* AsItem() { return nullptr; }
    const std::vector<std::unique_ptr<PRControl>>& Children() const { return children_; }

    // Puts a component on this one, as its last child, and arranges the children again. A
    // component that may not stand here raises ParentError (or std::logic_error when this one
    // holds no components) and stays with the caller.
    PRControl& Insert(std::unique_ptr<PRControl>& child);
    // Creates a component on this one: Add<PRLabel>("naam_veld").
    template <class T, class... A>
    T& Add(A&&... args) {
        std::unique_ptr<PRControl> child = std::make_unique<T>(std::forward<A>(args)...);
        return static_cast<T&>(Insert(child));
    }
    // Takes a child off this one; it then stands nowhere and belongs to the caller.
    std::unique_ptr<PRControl> Remove(PRControl& child);

    // This control or a descendant by name (exact case); null when none.
    PRControl* Find(std::string_view name);
    // The same, of a given class; throws std::logic_error when absent or of another class.
    template <class T>
    T& Get(std::string_view name) {
        T* t = dynamic_cast<T*>(Find(name));
        if (t == nullptr) throw std::logic_error("The report has no " + std::string(name) + " of that kind");
        return *t;
    }

    // ---- preview ----

    // Draws this control and, when it is a container with room, its children; (x, y) is where its
    // top left corner lies on the painter.
    void PaintTree(forms::Painter& painter, int x, int y) const;

  protected:
    PRControl(std::string name, int width, int height);

    // Raises when this component may not stand on parent.
    virtual void CheckParent(const PRControl& parent) const;
    // The area the aligned children are arranged in, in this control's coordinates.
    virtual Rect AlignArea() const { return {0, 0, width_, height_}; }
    // Arranges the aligned children inside AlignArea: top, bottom, left, right, then client, each
    // kind in the order the children were put on the container.
    virtual void AlignControls();
    // Arranges the children again (containers only).
    void Realign();
    // Draws this control alone, its top left corner at (x, y).
    virtual void Paint(forms::Painter& painter, int x, int y) const;

  private:
    std::string name_;
    PRControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_;
    int height_;
    Align align_ = Align::alNone;
    bool aligning_ = false;
    std::vector<std::unique_ptr<PRControl>> children_;
};

}  // namespace ijken::report
