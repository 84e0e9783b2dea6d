#include "ui/taskpane/border.h"

#include "ui/taskpane/errors.h"

// Margins notify even when the value stays: the owner re-lays out cheaply.
void TmxBorder::changed() {
  if (OnChange) OnChange(this);
}

void TmxBorder::SetLeft(int value) {
  left_ = quint16(value);
  changed();
}

void TmxBorder::SetTop(int value) {
  top_ = quint16(value);
  changed();
}

void TmxBorder::SetRight(int value) {
  right_ = quint16(value);
  changed();
}

void TmxBorder::SetBottom(int value) {
  bottom_ = quint16(value);
  changed();
}

void TmxBorder::SetAll(int left, int top, int right, int bottom) {
  left_ = quint16(left);
  top_ = quint16(top);
  right_ = quint16(right);
  bottom_ = quint16(bottom);
  changed();
}

void TmxBorder::Assign(const QObject* source) {
  const auto* other = qobject_cast<const TmxBorder*>(source);
  if (!other) taskpane::RefuseAssign(source, this);
  SetAll(other->left_, other->top_, other->right_, other->bottom_);
}
