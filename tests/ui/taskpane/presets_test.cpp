// The four colour schemes applied to a pane, its pages and the items that
// allow restyling.
#include <gtest/gtest.h>

#include <QMetaEnum>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/container.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

using namespace taskpane;

namespace {

struct PresetCase {
  TmxTaskPanePreset preset;
  TColor menuColor;
  TmxBackgroundStyle headerStyle;
  int headerHeight;
  TColor paneBackground;
  TmxBackgroundStyle pageStyle;
  TColor pageColorOrGradientBegin;
  TColor itemColor;
  TmxBackgroundStyle labelStyle;
  bool strip;
};

const PresetCase PresetCases[] = {
    {tpsDefault, RGB(128, 128, 128), btSolid, 15, RGB(246, 246, 246), btSolid, RGB(246, 246, 246), RGB(246, 246, 246),
     btSolid, false},
    {tps2003, RGB(166, 166, 166), btGradient, 26, RGB(224, 224, 224), btGradient, RGB(224, 224, 224),
     RGB(246, 246, 246), btTransparent, true},
    {tpsBlue, RGB(98, 140, 214), btGradient, 26, RGB(221, 236, 255), btSolid, RGB(221, 236, 255), RGB(221, 236, 255),
     btSolid, true},
    {tpsXP, RGB(98, 140, 214), btGradient, 26, RGB(221, 236, 255), btGradient, RGB(221, 236, 255), RGB(216, 233, 251),
     btSolid, true},
};

// page
//   styled container (tiSetStyle)  -> keptLabel (no tiSetStyle), styledLabel
//   kept container (no tiSetStyle) -> innerLabel (tiSetStyle)
//   pageLabel (tiSetStyle)
class PresetFixture : public ::testing::Test {
protected:
  PresetFixture() {
    pane.resize(300, 300);
    pane.SetHeaderHeight(26);
    page = new TmxTaskPanePage(&pane);
    styled = new TmxContainer(page);
    keptLabel = new TmxTaskPaneLabel(styled);
    keptLabel->SetOptions({});
    styledLabel = new TmxTaskPaneLabel(styled);
    kept = new TmxContainer(page);
    kept->SetOptions({});
    kept->Background()->SetColor(RGB(1, 2, 3));
    innerLabel = new TmxTaskPaneLabel(kept);
    pageLabel = new TmxTaskPaneLabel(page);
    for (TmxTaskPaneLabel* label : {keptLabel, styledLabel, innerLabel, pageLabel}) {
      label->Background()->SetStyle(btGradient);
      label->SetDistance(7);
    }
    pane.show();
  }

  TmxTaskPanePro pane;
  TmxTaskPanePage* page;
  TmxContainer *styled, *kept;
  TmxTaskPaneLabel *keptLabel, *styledLabel, *innerLabel, *pageLabel;
};

TEST_F(PresetFixture, EachSchemeReachesPanePagesAndRestylableItems) {
  for (const PresetCase& c : PresetCases) {
    SCOPED_TRACE(QMetaEnum::fromType<TmxTaskPanePreset>().valueToKey(c.preset));
    int after = 0;
    pane.OnAfterChangePreset = [&](QObject*) { ++after; };
    pane.SetPreset(c.preset);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(pane.Preset(), c.preset);
    EXPECT_EQ(pane.MenuColor(), c.menuColor);
    EXPECT_EQ(pane.HeaderStyle()->Style(), c.headerStyle);
    EXPECT_EQ(pane.HeaderHeight(), c.headerHeight);
    EXPECT_EQ(pane.Background()->Color(), c.paneBackground);
    EXPECT_EQ(pane.Options().testFlag(to2003Menu), c.strip);
    EXPECT_EQ(pane.Buttons().testFlag(pbDots), c.strip);
    EXPECT_EQ(pane.Buttons().testFlag(pbBack), !c.strip);
    EXPECT_TRUE(pane.Buttons().testFlag(pbPanes) && pane.Buttons().testFlag(pbClose));
    EXPECT_EQ(pane.Font()->Name(), QStringLiteral("Tahoma"));
    EXPECT_EQ(pane.Font()->Style(), TFontStyles(fsBold));

    EXPECT_EQ(page->Background()->Style(), c.pageStyle);
    EXPECT_EQ(c.pageStyle == btSolid ? page->Background()->Color() : page->Background()->Gradient()->BeginColor(),
              c.pageColorOrGradientBegin);

    EXPECT_EQ(styled->Background()->Color(), c.itemColor);
    EXPECT_EQ(kept->Background()->Color(), RGB(1, 2, 3));
    for (TmxTaskPaneLabel* label : {styledLabel, innerLabel, pageLabel}) {
      EXPECT_EQ(label->Background()->Style(), c.labelStyle);
      EXPECT_EQ(label->Distance(), 1);
      EXPECT_EQ(label->Pen()->Color(), RGB(0, 0, 128));
      EXPECT_EQ(label->Font()->Name(), QStringLiteral("Tahoma"));
    }
    EXPECT_EQ(keptLabel->Background()->Style(), btGradient);
    EXPECT_EQ(keptLabel->Distance(), 7);
  }
}

TEST_F(PresetFixture, Scheme2003MovesTheClientAreaBelowTheStrip) {
  pane.SetPreset(tpsBlue);
  pane.SetPreset(tpsDefault);
  const int top = pane.ClientRect().top();
  EXPECT_EQ(pane.HeaderHeight(), 15);
  pane.SetPreset(tps2003);
  EXPECT_EQ(pane.ClientRect().top(), top + 11 + 20);
  EXPECT_EQ(pane.HeaderStyle()->Gradient()->DrawStyle(), gtLeftToRight);
  pane.SetPreset(tpsXP);
  EXPECT_EQ(pane.HeaderStyle()->Gradient()->DrawStyle(), gtTopToBottom);
  EXPECT_EQ(pane.XPColors()->FocusedBackground(), RGB(253, 218, 164));
  // Afterwards every value stays changeable on its own.
  pane.SetMenuColor(RGB(9, 9, 9));
  EXPECT_EQ(pane.MenuColor(), RGB(9, 9, 9));
}

}  // namespace
