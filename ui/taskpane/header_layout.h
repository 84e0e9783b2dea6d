// Where the header band's buttons and the active page's caption go, from the
// pane's size and settings alone. Hit-testing and painting both read it, so a
// click never depends on what was painted last.
#pragma once

#include <QRect>

#include "ui/taskpane/types.h"

struct TmxHeaderLayout {
  // Click areas; empty when the button is off or has no room.
  QRect Dots, Back, Next, Close, Panes;
  // The caption's band before its text height centres it.
  QRect Title;
  bool ShowTitle = true;
  // Where the pictures are drawn: the arrows' left edges, the right edges of
  // the close cross and the panes triangle, and the row's middle line.
  int BackLeft = 0, NextLeft = 0, CloseRight = 0, PanesRight = 0, Middle = 0, Top = 0;
};

TmxHeaderLayout LayoutHeader(int width, int frameWidth, int headerHeight, taskpane::TmxPaneButtons buttons,
                             bool popup2003);
