// The pane's four ready-made colour schemes, applied through the ordinary
// setters so that every value can still be changed and stored on its own.
#include "ui/taskpane/container.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

using namespace taskpane;

namespace {

struct GradientColors {
  TColor begin;
  TColor end;
};

struct PaneScheme {
  TColor menuColor;
  TmxBackgroundStyle headerStyle;
  GradientColors headerGradient;  // the default scheme keeps the gradient
  TColor focusedBackground;       // the default scheme keeps the button colours
  TColor pressedBackground;
  TColor background;
  TmxBackgroundStyle pageStyle;
  TColor pageColor;
  GradientColors pageGradient;
  TColor itemColor;
};

const PaneScheme Schemes[] = {
    {RGB(128, 128, 128), btSolid, {}, {}, {}, RGB(246, 246, 246), btSolid, RGB(246, 246, 246), {}, RGB(246, 246, 246)},
    {RGB(166, 166, 166),
     btGradient,
     {RGB(234, 234, 234), RGB(192, 192, 192)},
     RGB(173, 173, 209),
     RGB(246, 246, 246),
     RGB(224, 224, 224),
     btGradient,
     {},
     {RGB(224, 224, 224), RGB(194, 194, 194)},
     RGB(246, 246, 246)},
    {RGB(98, 140, 214),
     btGradient,
     {RGB(166, 202, 241), RGB(126, 161, 219)},
     RGB(253, 218, 164),
     RGB(253, 210, 147),
     RGB(221, 236, 255),
     btSolid,
     RGB(221, 236, 255),
     {},
     RGB(221, 236, 255)},
    {RGB(98, 140, 214),
     btGradient,
     {RGB(209, 231, 244), RGB(123, 165, 213)},
     RGB(253, 218, 164),
     RGB(253, 210, 147),
     RGB(221, 236, 255),
     btGradient,
     {},
     {RGB(221, 236, 255), RGB(98, 140, 214)},
     RGB(216, 233, 251)},
};

void setSolid(TmxBackground* background, TColor color) {
  background->SetStyle(btSolid);
  background->SetAlphaBlend(255);
  background->SetGrayscale(false);
  background->SetColor(color);
}

void restyleChildren(QWidget* parent, TmxTaskPanePreset preset) {
  const PaneScheme& scheme = Schemes[preset];
  for (QObject* object : parent->children()) {
    const auto* item = qobject_cast<TmxCustomTaskPaneItem*>(object);
    if (!item) continue;
    const bool setStyle = item->Options().testFlag(tiSetStyle);
    if (auto* container = qobject_cast<TmxCustomContainer*>(object)) {
      if (setStyle) {
        container->Background()->SetStyle(btSolid);
        container->Background()->SetColor(scheme.itemColor);
        container->Background()->SetAlphaBlend(255);
      }
      restyleChildren(container, preset);
    }
    auto* label = qobject_cast<TmxCustomTaskPaneLabel*>(object);
    if (!label || !setStyle) continue;
    if (preset == tps2003) {
      label->Background()->SetStyle(btTransparent);
    } else {
      label->Background()->SetStyle(btSolid);
      label->Background()->SetColor(scheme.itemColor);
    }
    label->Background()->SetAlphaBlend(255);
    label->Font()->Set(QStringLiteral("Tahoma"), 8, fsBold);
    label->SetDistance(1);
    label->Pen()->SetWidth(1);
    label->Pen()->SetColor(RGB(0, 0, 128));
  }
}

}  // namespace

void TmxTaskPanePro::applyPreset() {
  const TmxTaskPanePreset preset = preset_;
  const PaneScheme& scheme = Schemes[preset];
  const bool isDefault = preset == tpsDefault;

  TmxTaskPaneOptions options = options_;
  options.setFlag(toPopup2003, !isDefault);
  options.setFlag(to2003Menu, !isDefault);
  SetOptions(options);
  TmxPaneButtons buttons = buttons_;
  buttons.setFlag(pbDots, !isDefault);
  buttons.setFlag(pbBack, isDefault);
  buttons.setFlag(pbNext, isDefault);
  SetButtons(buttons);
  SetMenuColor(scheme.menuColor);
  headerStyle_->SetStyle(scheme.headerStyle);
  if (isDefault) {
    headerStyle_->SetColor(RGB(192, 192, 192));
    SetHeaderHeight(12);
  } else {
    headerStyle_->Gradient()->SetBeginColor(scheme.headerGradient.begin);
    headerStyle_->Gradient()->SetEndColor(scheme.headerGradient.end);
    headerStyle_->Gradient()->SetDrawStyle(preset == tpsXP ? gtTopToBottom : gtLeftToRight);
    xpColors_->SetFocusedBackground(scheme.focusedBackground);
    xpColors_->SetPressedBackground(scheme.pressedBackground);
    SetHeaderHeight(26);
  }
  headerStyle_->SetGrayscale(false);
  font_->Set(QStringLiteral("Tahoma"), 8, fsBold);
  SetBorderColor(RGB(128, 128, 128));
  setSolid(background_, scheme.background);

  for (TmxCustomTaskPanePage* page : pages_) {
    TmxBackground* background = page->Background();
    background->SetAlphaBlend(255);
    background->SetGrayscale(false);
    if (scheme.pageStyle == btSolid) {
      background->SetStyle(btSolid);
      background->SetColor(scheme.pageColor);
    } else {
      background->SetStyle(btGradient);
      background->Gradient()->SetBeginColor(scheme.pageGradient.begin);
      background->Gradient()->SetEndColor(scheme.pageGradient.end);
      if (preset == tps2003) background->Gradient()->SetDrawStyle(gtTopToBottom);
    }
    restyleChildren(page->ClientWidget(), preset);
  }

  if (OnAfterChangePreset) OnAfterChangePreset(this);
  if (activePage_) {
    activePage_->Remeasure();
    rebuildPages();
  }
  HeaderRepaint();
}
