#include "app/window/window_anti_freeze.h"

#include <QCoreApplication>

void TWindowAntiFreeze::Process() { QCoreApplication::processEvents(); }
