// The thirteen state colours of buttons, header buttons and scroll strips,
// published in two cuts: TmxXPColors for the buttons, TmxXPPaneColors for the
// task pane.
#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "ui/taskpane/types.h"

class TmxCustomXPColors : public QObject {
  Q_OBJECT
public:
  enum Slot {
    BorderColorSlot,
    UnpublishedSlot,
    DisabledColorSlot,
    BackgroundSlot,
    PressedBackgroundSlot,
    ShadowColorSlot,
    PressedBorderColorSlot,
    ArrowColorSlot,
    FocusedBackgroundSlot,
    FocusedBorderColorSlot,
    FocusedArrowColorSlot,
    PressedArrowColorSlot,
    SeparatorColorSlot,
    SlotCount
  };

  explicit TmxCustomXPColors(QObject* parent = nullptr);

  // Slots outside 0..12 are a range error.
  TColor Color(int slot) const;
  void SetColor(int slot, TColor value);

  TColor BorderColor() const { return Color(BorderColorSlot); }
  void SetBorderColor(TColor value) { SetColor(BorderColorSlot, value); }
  TColor DisabledColor() const { return Color(DisabledColorSlot); }
  void SetDisabledColor(TColor value) { SetColor(DisabledColorSlot, value); }
  TColor Background() const { return Color(BackgroundSlot); }
  void SetBackground(TColor value) { SetColor(BackgroundSlot, value); }
  TColor PressedBackground() const { return Color(PressedBackgroundSlot); }
  void SetPressedBackground(TColor value) { SetColor(PressedBackgroundSlot, value); }
  TColor ShadowColor() const { return Color(ShadowColorSlot); }
  void SetShadowColor(TColor value) { SetColor(ShadowColorSlot, value); }
  TColor PressedBorderColor() const { return Color(PressedBorderColorSlot); }
  void SetPressedBorderColor(TColor value) { SetColor(PressedBorderColorSlot, value); }
  TColor ArrowColor() const { return Color(ArrowColorSlot); }
  void SetArrowColor(TColor value) { SetColor(ArrowColorSlot, value); }
  TColor FocusedBackground() const { return Color(FocusedBackgroundSlot); }
  void SetFocusedBackground(TColor value) { SetColor(FocusedBackgroundSlot, value); }
  TColor FocusedBorderColor() const { return Color(FocusedBorderColorSlot); }
  void SetFocusedBorderColor(TColor value) { SetColor(FocusedBorderColorSlot, value); }
  TColor FocusedArrowColor() const { return Color(FocusedArrowColorSlot); }
  void SetFocusedArrowColor(TColor value) { SetColor(FocusedArrowColorSlot, value); }
  TColor PressedArrowColor() const { return Color(PressedArrowColorSlot); }
  void SetPressedArrowColor(TColor value) { SetColor(PressedArrowColorSlot, value); }
  TColor SeparatorColor() const { return Color(SeparatorColorSlot); }
  void SetSeparatorColor(TColor value) { SetColor(SeparatorColorSlot, value); }
  bool UseShadow() const { return useShadow_; }
  void SetUseShadow(bool value);

  void Assign(const QObject* source);

  std::function<void(QObject* Sender)> OnChange;

private:
  void changed();

  std::array<TColor, SlotCount> slots_;
  bool useShadow_ = true;
};

class TmxXPColors : public TmxCustomXPColors {
  Q_OBJECT
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TColor Background READ Background WRITE SetBackground)
  Q_PROPERTY(TColor FocusedBackground READ FocusedBackground WRITE SetFocusedBackground)
  Q_PROPERTY(TColor PressedBackground READ PressedBackground WRITE SetPressedBackground)
  Q_PROPERTY(bool UseShadow READ UseShadow WRITE SetUseShadow)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
public:
  using TmxCustomXPColors::TmxCustomXPColors;
};

class TmxXPPaneColors : public TmxCustomXPColors {
  Q_OBJECT
  Q_PROPERTY(TColor ArrowColor READ ArrowColor WRITE SetArrowColor)
  Q_PROPERTY(TColor DisabledColor READ DisabledColor WRITE SetDisabledColor)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TColor Background READ Background WRITE SetBackground)
  Q_PROPERTY(TColor FocusedBackground READ FocusedBackground WRITE SetFocusedBackground)
  Q_PROPERTY(TColor FocusedArrowColor READ FocusedArrowColor WRITE SetFocusedArrowColor)
  Q_PROPERTY(TColor PressedArrowColor READ PressedArrowColor WRITE SetPressedArrowColor)
  Q_PROPERTY(TColor FocusedBorderColor READ FocusedBorderColor WRITE SetFocusedBorderColor)
  Q_PROPERTY(TColor PressedBackground READ PressedBackground WRITE SetPressedBackground)
  Q_PROPERTY(TColor PressedBorderColor READ PressedBorderColor WRITE SetPressedBorderColor)
  Q_PROPERTY(TColor SeparatorColor READ SeparatorColor WRITE SetSeparatorColor)
public:
  using TmxCustomXPColors::TmxCustomXPColors;
};
