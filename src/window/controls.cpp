#include "window/controls.h"

#include <stdexcept>

bool Control::move(float left, float top, std::optional<float> width, std::optional<float> height) {
  const float w = width.value_or(width_);
  const float h = height.value_or(height_);
  if (w < 0 || h < 0) return false;
  if (left == left_ && top == top_ && w == width_ && h == height_) return true;
  left_ = left;
  top_ = top;
  width_ = w;
  height_ = h;
  changed(Change::Geometry);
  return true;
}

void Control::setVisible(bool visible) {
  if (!rendered_ || visible == visible_) return;
  visible_ = visible;
  changed(Change::Visibility);
}

void Control::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  changed(Change::Text);
}

void Line::setX1(float x) {
  x1_ = x;
  changed(Change::Geometry);
}

void Line::setX2(float x) {
  x2_ = x;
  changed(Change::Geometry);
}

void ListBox::clear() {
  rows_.clear();
  index_ = -1;
  changed(Change::Rows);
}

void ListBox::addItem(std::string text) {
  if (rows_.size() >= ScreenRes::kMaxModes) return;
  rows_.push_back(std::move(text));
  changed(Change::Rows);
}

void ListBox::setListIndex(int16_t index) {
  if (index < -1 || index >= listCount()) return;
  index_ = index;
  changed(Change::Selection);
}

const std::string& ListBox::list(int32_t i) const {
  static const std::string none;
  return i >= 0 && i < listCount() ? rows_[static_cast<size_t>(i)] : none;
}

MenuArray::MenuArray(std::string name, std::string caption0) : name_(std::move(name)) {
  load(0).setCaption(std::move(caption0));
}

MenuEntry* MenuArray::operator[](int32_t i) const {
  return i >= 0 && i < count() ? elements_[static_cast<size_t>(i)].get() : nullptr;
}

MenuEntry& MenuArray::load(int16_t i) {
  if (i < 0) throw std::out_of_range("MenuArray::load: no element " + std::to_string(i));
  const auto at = static_cast<size_t>(i);
  if (at >= elements_.size()) elements_.resize(at + 1);
  if (!elements_[at]) elements_[at] = std::make_unique<MenuEntry>(name_, std::string(), nullptr, this, i);
  return *elements_[at];
}
