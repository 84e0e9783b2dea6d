#include "ui/taskpane/header_layout.h"

using namespace taskpane;

TmxHeaderLayout LayoutHeader(int width, int frameWidth, int headerHeight, TmxPaneButtons buttons, bool popup2003) {
  const int B = frameWidth, HH = headerHeight;
  TmxHeaderLayout row;
  row.Title = QRect(QPoint(B, B), QPoint(width - B - 1, B + HH - 1));
  const int d = (HH - 15) / 2, T = B + d, R = HH - 2 * d;
  row.Top = T;
  row.Middle = T + R / 2;
  const int XR = width - 5;
  // L: the right end of what the left-hand buttons take.
  int L = 0;
  int a = 8;
  if (buttons.testFlag(pbDots)) {
    row.Dots = QRect(QPoint(8, T), QPoint(10, T + R - 1));
    row.Title.setLeft(14);
    L = 11;
    a = 15;
  }
  row.BackLeft = a;
  int b = a;
  if (buttons.testFlag(pbBack)) {
    row.Back = QRect(QPoint(a - 3, T), QPoint(a + 11, T + R - 1));
    row.Title.setLeft(a + 12 + 3);
    L = a + 12;
    b = a + 15;
  }
  row.NextLeft = b;
  if (buttons.testFlag(pbNext)) {
    row.Title.setLeft(b + 12 + 3);
    L = b + 12;
    if (b + 12 > XR) {
      row.ShowTitle = false;
      L = XR;
    } else {
      row.Next = QRect(QPoint(b - 3, T), QPoint(b + 11, T + R - 1));
    }
  }
  const int E = XR - B;
  row.CloseRight = E;
  int F = E - 1;
  if (buttons.testFlag(pbClose)) {
    const QRect close(QPoint(E - 12, T), QPoint(E + 2, T + R - 1));
    if (close.left() < L + 5) {
      row.ShowTitle = false;
      L = XR;
    } else {
      row.Close = close;
      row.Title.setRight(close.left() - 7 - 1);
      F = E - 18;
    }
  }
  row.PanesRight = F;
  if (buttons.testFlag(pbPanes)) {
    QRect panes(QPoint(F - 10, T), QPoint(F + 4, T + R - 1));
    if (panes.left() < L + 5) {
      row.ShowTitle = false;
    } else {
      const int titleRight = panes.left() - 7 - 1;
      // The 2003 look lights the caption together with the triangle.
      if (popup2003) {
        panes.setLeft(row.Title.left() - 2);
        if (HH > 15) panes.setBottom(panes.bottom() + 1);
      }
      row.Panes = panes;
      row.Title.setRight(titleRight);
    }
  }
  return row;
}
