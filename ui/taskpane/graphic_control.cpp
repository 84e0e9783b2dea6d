#include "ui/taskpane/graphic_control.h"

#include "ui/taskpane/client_area.h"

TmxGraphicControl::TmxGraphicControl(QWidget* parent) : QWidget(taskpane::ParentFor(parent)) {}
