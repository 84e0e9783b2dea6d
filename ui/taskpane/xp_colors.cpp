#include "ui/taskpane/xp_colors.h"

#include "ui/taskpane/errors.h"

TmxCustomXPColors::TmxCustomXPColors(QObject* parent)
    : QObject(parent), slots_{RGB(0, 0, 128),     RGB(0, 0, 0),   RGB(128, 128, 128), RGB(176, 172, 216),
                              RGB(128, 128, 192), RGB(0, 0, 0),   RGB(0, 0, 128),     RGB(0, 0, 0),
                              RGB(173, 173, 209), RGB(0, 0, 128), RGB(0, 0, 0),       RGB(255, 255, 255),
                              RGB(255, 255, 255)} {}

TColor TmxCustomXPColors::Color(int slot) const {
  if (slot < 0 || slot >= SlotCount) throw ERangeError("Range check error");
  return slots_[slot];
}

void TmxCustomXPColors::SetColor(int slot, TColor value) {
  if (Color(slot) == value) return;
  slots_[slot] = value;
  changed();
}

void TmxCustomXPColors::SetUseShadow(bool value) {
  if (value == useShadow_) return;
  useShadow_ = value;
  changed();
}

void TmxCustomXPColors::changed() {
  if (OnChange) OnChange(this);
}

void TmxCustomXPColors::Assign(const QObject* source) {
  const auto* other = qobject_cast<const TmxCustomXPColors*>(source);
  if (!other) taskpane::RefuseAssign(source, this);
  slots_ = other->slots_;
  useShadow_ = other->useShadow_;
  changed();
}
