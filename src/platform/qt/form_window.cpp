#include "platform/qt/form_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "window/fit.h"

namespace {

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

FormWindow::FormWindow() {
  setWindowTitle(QString::fromUtf8(Form1::kCaption.data(), static_cast<qsizetype>(Form1::kCaption.size())));
  resize(px(Form1::kInitialScaleWidth), px(Form1::kInitialScaleHeight));
}

void FormWindow::setVisible(bool visible) {
  if (visible && form_ && widgets_.empty()) build();
  QWidget::setVisible(visible);
}

void FormWindow::bringToFront() {
  // show() leaves a minimised window minimised: the state has to go first. A maximised one
  // stays maximised.
  if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  if (!isVisible()) {
    // Where the window comes up: on the work area of its screen, the title bar always on it.
    QScreen* on = screen() ? screen() : QGuiApplication::primaryScreen();
    if (on) {
      const QRect frame = frameGeometry(), area = on->availableGeometry();
      const Area placed = PlaceOnArea({frame.x(), frame.y(), frame.width(), frame.height()},
                                      {area.x(), area.y(), area.width(), area.height()});
      if (placed.left != frame.x() || placed.top != frame.y()) move(placed.left, placed.top);
    }
  }
  show();
  raise();
  activateWindow();
}

void FormWindow::focus(const Control& control) {
  if (const auto it = widgets_.find(&control); it != widgets_.end()) it->second->setFocus(Qt::ActiveWindowFocusReason);
}

void FormWindow::build() {
  Form1& form = *form_;
  std::vector<std::pair<int, QWidget*>> tabOrder;
  for (Control* control : form.controls()) {
    if (!control->rendered()) continue;
    QWidget* parent = control->container() ? widgets_.at(control->container()) : this;
    QWidget* widget = create(*control, parent);
    widgets_[control] = widget;
    place(*control);
    if (control->kind() == ControlKind::ListBox) update(*control, Change::Selection);
    widget->setVisible(control->visible());
    control->onChange = [this](Control& c, Change what) { update(c, what); };
    if (widget->focusPolicy() != Qt::NoFocus) tabOrder.emplace_back(control->tabIndex(), widget);
  }
  std::sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
  form.ScaleWidth = twips(width());
  form.ScaleHeight = twips(height());
  form.Form_Resize();
  fitPresetFont();
}

// One font for the four preset boxes, in points, by the program's rule (FitFont): the
// application's, or smaller, for every text the boxes must show whole; where even the smallest
// is too wide, each box's tooltip shows its whole text.
void FormWindow::fitPresetFont() {
  const auto controls = form_->presetBoxes();
  auto* box = static_cast<QLineEdit*>(widgets_.at(controls[0]));
  // A line edit keeps its frame and two pixels on each side, and one for the cursor.
  const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
  const int room = box->width() - 2 * frame - 2 * 2 - 1;
  QStringList texts;
  for (const std::string& text : form_->presetTexts()) texts << ToQ(text);
  texts.removeDuplicates();
  const auto widest = [&](const QFont& font) {
    const QFontMetrics metrics(font, box);
    int most = 0;
    for (const QString& text : texts) most = std::max(most, metrics.horizontalAdvance(text));
    return most;
  };
  QFont font = QApplication::font();
  if (font.pointSizeF() > 0) {
    const FontFit fit = FitFont(font.pointSizeF(), kSmallestPoints, 0.5, [&](double size) {
      font.setPointSizeF(size);
      return widest(font) <= room;
    });
    font.setPointSizeF(fit.size);
    fits_ = fit.fits;
  } else {
    fits_ = widest(font) <= room;
  }
  for (const TextBox* control : controls) {
    QWidget* edit = widgets_.at(control);
    edit->setFont(font);
    setTip(edit);
  }
}

void FormWindow::setTip(QWidget* widget) const {
  auto* edit = static_cast<QLineEdit*>(widget);
  edit->setToolTip(fits_ ? QString() : edit->text());
}

// A box that was left shows where its mode text starts, not where the cursor last was: the
// end of one mode text reads like another mode. A pop-up (the box's own context menu) is not
// leaving it.
bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) edit->setCursorPosition(0);
  }
  return QWidget::eventFilter(watched, event);
}

QWidget* FormWindow::create(Control& control, QWidget* parent) {
  switch (control.kind()) {
    case ControlKind::Label:
      return new QLabel(ToQ(static_cast<Label&>(control).caption()), parent);
    case ControlKind::ListBox: {
      auto* list = new QListWidget(parent);
      auto& box = static_cast<ListBox&>(control);
      for (int32_t i = 0; i < box.listCount(); ++i) list->addItem(ToQ(box.list(i)));
      connect(list, &QListWidget::currentRowChanged, this,
              [&box](int row) { box.setListIndex(static_cast<int16_t>(row)); });
      return list;
    }
    case ControlKind::Button: {
      auto& button = static_cast<Button&>(control);
      auto* widget = new QPushButton(ToQ(button.caption()), parent);
      widget->setAutoDefault(false);  // Enter and Escape press no button
      connect(widget, &QPushButton::clicked, this, [this, &button] { form_->click(button); });
      return widget;
    }
    case ControlKind::TextBox: {
      auto& box = static_cast<TextBox&>(control);
      auto* edit = new QLineEdit(ToQ(box.text()), parent);
      edit->setCursorPosition(0);  // a mode text is longer than the box: show where it starts
      connect(edit, &QLineEdit::textEdited, this, [this, edit, &box](const QString& text) {
        box.typed(text.toStdString());
        setTip(edit);
      });
      edit->installEventFilter(this);
      return edit;
    }
    case ControlKind::Panel:
      return new QWidget(parent);
    case ControlKind::Line: {
      auto* rule = new QFrame(parent);
      rule->setFrameShape(QFrame::HLine);
      rule->setFrameShadow(QFrame::Sunken);
      return rule;
    }
  }
  return new QWidget(parent);
}

void FormWindow::place(const Control& control) {
  QWidget* widget = widgets_.at(&control);
  if (control.kind() == ControlKind::Line) {
    const auto& line = static_cast<const Line&>(control);
    const int left = px(std::min(line.x1(), line.x2()));
    widget->setGeometry(left, px(line.y1()) - 1, px(std::max(line.x1(), line.x2())) - left, 2);
    return;
  }
  widget->setGeometry(px(control.left()), px(control.top()), px(control.width()), px(control.height()));
}

void FormWindow::update(Control& control, Change what) {
  QWidget* widget = widgets_.at(&control);
  switch (what) {
    case Change::Geometry:
      place(control);
      break;
    case Change::Visibility:
      widget->setVisible(control.visible());
      break;
    case Change::Text:
      if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(ToQ(static_cast<Label&>(control).caption()));
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        const QString text = ToQ(static_cast<TextBox&>(control).text());
        if (edit->text() != text) {
          // Given by the program, not typed: the boxes' font is fitted to it too.
          edit->setText(text);
          edit->setCursorPosition(0);
          fitPresetFont();
        }
        setTip(edit);
      }
      break;
    case Change::Rows: {
      // Rows arrive one at a time at start-up: add what is new instead of starting over.
      auto* list = static_cast<QListWidget*>(widget);
      const auto& box = static_cast<ListBox&>(control);
      const QSignalBlocker quiet(list);
      if (list->count() > box.listCount()) list->clear();
      for (int32_t i = list->count(); i < box.listCount(); ++i) list->addItem(ToQ(box.list(i)));
      break;
    }
    case Change::Selection: {
      auto* list = static_cast<QListWidget*>(widget);
      const QSignalBlocker quiet(list);
      list->setCurrentRow(static_cast<ListBox&>(control).listIndex());
      break;
    }
  }
}

void FormWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!form_ || widgets_.empty()) return;
  form_->ScaleWidth = twips(width());
  form_->ScaleHeight = twips(height());
  form_->Form_Resize();
}

// Closing the window is leaving the program, not going back to the tray.
void FormWindow::closeEvent(QCloseEvent* event) {
  if (form_) form_->unload(unload_mode::kControlMenu);
  event->accept();
}

int FormWindow::px(float twips) const {
  return static_cast<int>(std::lround(static_cast<double>(twips) * logicalDpiX() / kTwipsPerInch));
}

float FormWindow::twips(int pixels) const { return static_cast<float>(pixels * kTwipsPerInch / logicalDpiX()); }
