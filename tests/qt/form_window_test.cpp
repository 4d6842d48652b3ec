// The preset boxes of the Linux window: the widest mode text shows whole, and a box that was
// left shows the start of its text.
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

#include "../harness.h"
#include "platform/qt/form_window.h"

namespace {

constexpr char kWidest[] = "1600 x 1200, 32bit color, 60 Hz";

struct Presets : ::testing::Test {
  Rig rig{DesktopModes(), {1600, 1200, 32, 60}};
  FormWindow window;
  QList<QLineEdit*> boxes;

  void SetUp() override {
    rig.load();
    window.attach(rig.form);
    window.show();
    boxes = window.findChildren<QLineEdit*>();
    ASSERT_EQ(boxes.size(), 4);
  }
  // A line edit scrolls its text when it paints: the box is drawn before the cursor is read.
  static int cursorX(QLineEdit* box, int position) {
    box->setCursorPosition(position);
    box->grab();
    return box->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
  }
};

// Whatever the desktop's font size, the boxes use one at which the widest text fits. With the
// cursor at the end, a text that fits has not scrolled: the cursor stands exactly one text
// width right of where it stands at the start.
struct DesktopFont : Presets, ::testing::WithParamInterface<int> {
  void SetUp() override {
    QApplication::setFont(QFont("Sans Serif", GetParam()));
    Presets::SetUp();
  }
  void TearDown() override { QApplication::setFont(QFont()); }
};

TEST_P(DesktopFont, TheWidestModeTextShowsWholeInEveryBox) {
  for (QLineEdit* box : boxes) {
    box->setText(kWidest);
    const int start = cursorX(box, 0);
    const int end = cursorX(box, box->text().size());
    EXPECT_NEAR(end - start, box->fontMetrics().horizontalAdvance(kWidest), 1)
        << "the text scrolled in a box " << box->width() << " pixels wide, font " << box->font().pointSizeF() << " pt";
    EXPECT_GE(box->font().pointSizeF(), 7.0) << "too small to read";
  }
}

INSTANTIATE_TEST_SUITE_P(Points, DesktopFont, ::testing::Values(9, 10, 12));

TEST_F(Presets, ABoxThatWasLeftShowsTheStartOfItsText) {
  QLineEdit* box = boxes[0];
  const QString longer = QString(kWidest) + ", " + kWidest;
  box->setText(longer);
  box->setCursorPosition(longer.size());
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);  // its own context menu opened
  QApplication::sendEvent(box, &popup);
  EXPECT_EQ(box->cursorPosition(), longer.size());
  QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(box, &tab);
  EXPECT_EQ(box->cursorPosition(), 0);
}

// A desktop font too wide even at the smallest legible size: each box's tooltip shows its
// whole text, and follows it as it changes.
TEST_F(Presets, TooWideAFontLeavesTheWholeTextToTheTooltip) {
  window.hide();
  QApplication::setFont(QFont("DejaVu Sans Mono", 9));
  FormWindow wide;
  wide.attach(rig.form);
  wide.show();
  const auto edits = wide.findChildren<QLineEdit*>();
  ASSERT_EQ(edits.size(), 4);
  EXPECT_EQ(edits[0]->toolTip(), edits[0]->text());
  EXPECT_EQ(edits[3]->toolTip(), "640 x 480, 32bit color, 60 Hz");
  rig.form.Text2.setText(kWidest);
  EXPECT_EQ(edits[1]->toolTip(), kWidest);
  QApplication::setFont(QFont());
  for (QLineEdit* box : boxes) EXPECT_TRUE(box->toolTip().isEmpty()) << "a text that fits needs no tooltip";
}

}  // namespace

int main(int argc, char** argv) {
  // No display needed: the widgets are laid out and measured off screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
