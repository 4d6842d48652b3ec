#include "window/form1.h"

// Every step runs even when an earlier move was refused: a window too small for the list
// still keeps its panels at the edges.
void Form1::Form_Resize() {
  const float W = ScaleWidth;
  const float H = ScaleHeight;
  pPresets.move(W - pPresets.width(), List2.top());
  const float footerWidth = pFooter.width();
  pFooter.move(0, H - pFooter.height(), W);
  if (pFooter.width() != footerWidth) pFooter_Resize();
  List2.move(List2.left(), List2.top(), pPresets.left() - 150 - List2.left(), pFooter.top() - 150 - List2.top());
}

void Form1::pFooter_Resize() {
  const float F = pFooter.width();
  Command6.move(F - 150 - Command6.width(), Command6.top());
  Command2.move(Command6.left() - 150 - Command2.width(), Command2.top());
  Line1.setX1(150);
  Line1.setX2(F - 300);
  lStatus.move(0, 0, F);
}
