// The Linux window: the preset boxes show whole every text they are given and a box that was
// left shows the start of its text; the window comes back restored and on the screen; the menu
// shortens a caption too wide for the screen.
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

#include "../harness.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_menu.h"
#include "platform/qt/qt_toolkit.h"

namespace {

constexpr char kWidest[] = "1600 x 1200, 32bit color, 60 Hz";

constexpr char kCapitals[] = "1024 X 768, 32BIT COLOR, 60 HZ";  // a stored preset, wider than any mode text

struct Presets : ::testing::Test {
  Rig rig{DesktopModes(), {1600, 1200, 32, 60}};
  FormWindow window;
  QList<QLineEdit*> boxes;

  void SetUp() override {
    rig.store(2, kCapitals);
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

// Whatever the desktop's font size, the boxes share one at which every text they were given
// fits, the widest mode text and a stored preset in capitals. With the cursor at the end, a
// text that fits has not scrolled: the cursor stands exactly one text width right of where it
// stands at the start.
struct DesktopFont : Presets, ::testing::WithParamInterface<int> {
  void SetUp() override {
    QApplication::setFont(QFont("Sans Serif", GetParam()));
    Presets::SetUp();
  }
  void TearDown() override { QApplication::setFont(QFont()); }
};

TEST_P(DesktopFont, EveryTextGivenShowsWholeInEveryBox) {
  for (QLineEdit* box : boxes) {
    const QString given = box->text();
    EXPECT_NEAR(cursorX(box, given.size()) - cursorX(box, 0), box->fontMetrics().horizontalAdvance(given), 1)
        << given.toStdString() << " scrolled";
    EXPECT_EQ(box->font(), boxes[0]->font()) << "one font for the four boxes";
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

// Typing does not change the boxes' font: it would shrink under the user's fingers.
TEST_F(Presets, TypedTextIsNotRefitted) {
  window.hide();
  QApplication::setFont(QFont("Sans Serif", 12));  // room to fall below the fitted size
  rig.form.Text2.setText("1024 x 768, 32bit color, 60 Hz");
  FormWindow large;
  large.attach(rig.form);
  large.show();
  auto* box = large.findChildren<QLineEdit*>().at(0);
  const QFont before = box->font();
  ASSERT_GT(before.pointSizeF(), 7.0) << "no smaller font to fall to";
  box->setFocus();
  for (int i = 0; i < 40; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier, QStringLiteral("W"));
    QApplication::sendEvent(box, &press);
  }
  ASSERT_EQ(rig.form.Text1.text().size(), std::string("1600 x 1200, 32bit color, 60 Hz").size() + 40);
  EXPECT_EQ(box->font(), before);
  rig.form.Text3.setText(kWidest);  // given by the program, as ">" does: fitted again, to what it was
  EXPECT_EQ(box->font(), before);
  QApplication::setFont(QFont());
}

// "Configure Pre-Sets..." brings back a minimised window, and one left partly off the screen
// opens on it again.
TEST_F(Presets, ShownAgainRestoredAndOnTheScreen) {
  QtToolkit toolkit(window, nullptr);
  window.setWindowState(Qt::WindowMinimized);
  toolkit.showWindow();
  EXPECT_FALSE(window.isMinimized());
  EXPECT_TRUE(window.isVisible());
  window.hide();
  window.move(-100, -50);
  toolkit.showWindow();
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(window.frameGeometry())) << window.frameGeometry().x() << "," << window.frameGeometry().y();
}

// A caption wider than the screen is drawn shortened in the middle; its action still stands for
// the entry, which keeps the whole text for the switch.
TEST_F(Presets, TooWideACaptionIsShortenedInTheMiddle) {
  std::string wide;
  for (int i = 0; i < 12; ++i) wide += "1024 x 768, 32bit color, 60 Hz; ";
  wide += "end";
  rig.form.mnuMain2.setCaption(wide);
  QMenu menu;
  const MenuActions entries = FillMenu(menu, rig.form.mnuRes);
  const QAction* shown = nullptr;
  for (const auto& [action, entry] : entries) {
    if (entry == &rig.form.mnuMain2) {
      shown = action;
    } else {
      EXPECT_EQ(action->text().toStdString(), entry->caption()) << "one that fits stays whole";
    }
  }
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->text().startsWith("1024 x 768, 32bit color")) << shown->text().toStdString();
  EXPECT_TRUE(shown->text().endsWith("60 Hz; end")) << shown->text().toStdString();
  EXPECT_LE(menu.sizeHint().width(), QGuiApplication::primaryScreen()->availableGeometry().width());
  EXPECT_EQ(entries.at(shown)->caption(), wide);
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
  EXPECT_EQ(edits[1]->toolTip(), kCapitals);
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
