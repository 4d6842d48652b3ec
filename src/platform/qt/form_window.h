#pragma once
// Form1 on screen: one Qt widget per visible control at its twips position, kept in step with
// the control's changes, and the user's input handed to Form1's handlers.
#include <QWidget>
#include <unordered_map>

#include "window/form1.h"

class FormWindow final : public QWidget {
 public:
  FormWindow();
  // Builds the widgets of `form`'s controls; the form must outlive the window.
  void attach(Form1& form);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* create(Control& control, QWidget* parent);
  void place(const Control& control);
  void update(Control& control, Change what);
  int px(float twips) const;
  float twips(int pixels) const;

  Form1* form_ = nullptr;
  std::unordered_map<const Control*, QWidget*> widgets_;
};
