#pragma once
// The controls and menus of Form1 as plain objects. They hold the program's state; a front
// end renders them and listens to their changes through onChange.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "modes/screen_res.h"

enum class ControlKind { Label, ListBox, Button, TextBox, Panel, Line };
enum class Change { Geometry, Visibility, Text, Rows, Selection };

// Positions and sizes are single-precision twips, relative to the container's inner corner.
class Control {
 public:
  Control(ControlKind kind, std::string name, Control* container, float left, float top, float width, float height,
          int tabIndex, std::string text = {})
      : kind_(kind),
        name_(std::move(name)),
        container_(container),
        left_(left),
        top_(top),
        width_(width),
        height_(height),
        tabIndex_(tabIndex),
        text_(std::move(text)) {}
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  Control* container() const { return container_; }
  float left() const { return left_; }
  float top() const { return top_; }
  float width() const { return width_; }
  float height() const { return height_; }
  int tabIndex() const { return tabIndex_; }

  // Moves, and sizes where given, in one step. A negative width or height is refused as a
  // whole, and the control stays where it was.
  bool move(float left, float top, std::optional<float> width = {}, std::optional<float> height = {});

  bool visible() const { return visible_; }
  void setVisible(bool visible);
  // False for the controls that exist only for the program's own use and never show.
  bool rendered() const { return rendered_; }
  void neverRender() { rendered_ = visible_ = false; }

  std::function<void(Control&, Change)> onChange;

 protected:
  const std::string& text() const { return text_; }
  void setText(std::string text);
  void changed(Change what) {
    if (onChange) onChange(*this, what);
  }

 private:
  ControlKind kind_;
  std::string name_;
  Control* container_;
  float left_, top_, width_, height_;
  int tabIndex_;
  std::string text_;
  bool visible_ = true;
  bool rendered_ = true;
};

class Label : public Control {
 public:
  Label(std::string name, Control* container, float l, float t, float w, float h, int tab, std::string caption)
      : Control(ControlKind::Label, std::move(name), container, l, t, w, h, tab, std::move(caption)) {}
  const std::string& caption() const { return text(); }
  void setCaption(std::string caption) { setText(std::move(caption)); }
};

class Button : public Control {
 public:
  Button(std::string name, Control* container, float l, float t, float w, float h, int tab, std::string caption)
      : Control(ControlKind::Button, std::move(name), container, l, t, w, h, tab, std::move(caption)) {}
  const std::string& caption() const { return text(); }
};

class TextBox : public Control {
 public:
  TextBox(std::string name, Control* container, float l, float t, float w, float h, int tab, std::string text)
      : Control(ControlKind::TextBox, std::move(name), container, l, t, w, h, tab, text), given_(std::move(text)) {}
  using Control::text;
  // The program puts a text into the box: the boxes' font must show it whole.
  void setText(std::string text) {
    given_ = text;
    Control::setText(std::move(text));
  }
  // The user typed it: the box holds it, and the font does not change under the user's fingers.
  void typed(std::string text) { Control::setText(std::move(text)); }
  const std::string& given() const { return given_; }

 private:
  std::string given_;
};

class Panel : public Control {
 public:
  Panel(std::string name, Control* container, float l, float t, float w, float h, int tab)
      : Control(ControlKind::Panel, std::move(name), container, l, t, w, h, tab) {}
};

// A straight rule from (x1, y1) to (x2, y2).
class Line : public Control {
 public:
  Line(std::string name, Control* container, float x1, float y1, float x2, float y2)
      : Control(ControlKind::Line, std::move(name), container, 0, 0, 0, 0, -1), x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}
  float x1() const { return x1_; }
  float y1() const { return y1_; }
  float x2() const { return x2_; }
  float y2() const { return y2_; }
  void setX1(float x);
  void setX2(float x);

 private:
  float x1_, y1_, x2_, y2_;
};

// Rows in insertion order and a 16-bit selected row, -1 for none.
class ListBox : public Control, public ModeList {
 public:
  ListBox(std::string name, Control* container, float l, float t, float w, float h, int tab)
      : Control(ControlKind::ListBox, std::move(name), container, l, t, w, h, tab) {}

  void clear() override;
  // A full list takes no more rows.
  void addItem(std::string text) override;
  // Refuses a row that does not exist.
  void setListIndex(int16_t index) override;

  int16_t listIndex() const { return index_; }
  int16_t listCount() const { return static_cast<int16_t>(rows_.size()); }
  // The text of row i; empty for a row that does not exist.
  const std::string& list(int32_t i) const;
  const std::vector<std::string>& rows() const { return rows_; }

 private:
  std::vector<std::string> rows_;
  int16_t index_ = -1;
};

class MenuArray;

// One entry of the pop-up menu tree. A caption of "-" draws a separator.
class MenuEntry {
 public:
  MenuEntry(std::string name, std::string caption, MenuArray* items = nullptr, const MenuArray* array = nullptr,
            int16_t index = -1)
      : name_(std::move(name)), caption_(std::move(caption)), items_(items), array_(array), index_(index) {}
  MenuEntry(const MenuEntry&) = delete;
  MenuEntry& operator=(const MenuEntry&) = delete;

  const std::string& name() const { return name_; }
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  // A text the entry carries and never shows.
  const std::string& tag() const { return tag_; }
  void setTag(std::string tag) { tag_ = std::move(tag); }
  bool visible() const { return visible_; }
  void setVisible(bool visible) { visible_ = visible; }
  bool separator() const { return caption_ == "-"; }

  // The item array shown as this entry's sub-menu, if any.
  MenuArray* items() const { return items_; }
  // The item array this entry is an element of, and its index there; null and -1 otherwise.
  const MenuArray* array() const { return array_; }
  int16_t index() const { return index_; }

  std::vector<MenuEntry*> children;

 private:
  std::string name_, caption_, tag_;
  MenuArray* items_;
  const MenuArray* array_;
  int16_t index_;
  bool visible_ = true;
};

// Menu entries by index from 0; element 0 exists from the start, the others are created at
// run time, and an index may be left out.
class MenuArray {
 public:
  MenuArray(std::string name, std::string caption0);

  const std::string& name() const { return name_; }
  // One more than the highest index created.
  int32_t count() const { return static_cast<int32_t>(elements_.size()); }
  // The element, or null for an index that was left out or lies outside.
  MenuEntry* operator[](int32_t i) const;
  // Creates element i (or returns it if it exists); throws std::out_of_range below 0.
  MenuEntry& load(int16_t i);

 private:
  std::string name_;
  std::vector<std::unique_ptr<MenuEntry>> elements_;
};
