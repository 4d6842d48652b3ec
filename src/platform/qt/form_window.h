#pragma once
// Form1 on screen: one Qt widget per visible control at its twips position, kept in step with
// the control's changes, and the user's input handed to Form1's handlers.
#include <QWidget>
#include <array>
#include <string>
#include <unordered_map>

#include "window/form1.h"

class FormWindow final : public QWidget {
 public:
  FormWindow();
  // Renders `form`'s controls from the first time the window shows; the form must outlive
  // the window.
  void attach(Form1& form) { form_ = &form; }
  void setVisible(bool visible) override;
  // Shows the window on the screen's work area, restored if it was minimised, and in front.
  void bringToFront();
  void focus(const Control& control);
  // Pixels on this window's screen as twips.
  float twips(int pixels) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The window starts hidden and most runs never show it: its widgets wait until it does.
  void build();
  QWidget* create(Control& control, QWidget* parent);
  void place(const Control& control);
  void update(Control& control, Change what);
  void fitPresetFont();
  void setTip(QWidget* edit) const;
  int px(float twips) const;

  Form1* form_ = nullptr;
  std::unordered_map<const Control*, QWidget*> widgets_;
  bool fits_ = true;  // every text the boxes were given fits them whole in their font
};
