// What lies beneath a control: its nearest ancestor that is not see-through,
// painted without children, and the windowless controls of that ancestor that
// overlap it. Task-pane controls paint their backgrounds over this picture.
#pragma once

class QPainter;
class QWidget;

namespace taskpane {

// Paints onto a painter whose origin is the control's top-left corner; walks
// up through see-through task-pane items.
void CaptureUnderlay(const QWidget* control, QPainter& canvas);
// The one-level form: only the direct parent and its windowless controls.
void CaptureParentUnderlay(const QWidget* control, QPainter& canvas);

}  // namespace taskpane
