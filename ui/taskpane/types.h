// The value types every task-pane control shares: colours (RGB or a system
// colour role resolved when drawn) and the enumerations and sets the controls
// publish, stored by name in the window layout.
#pragma once

#include <QFlags>
#include <QObject>
#include <QRgb>
#include <QString>
#include <optional>

// A colour value: either an RGB colour (0x00BBGGRR) or, with the top bit set,
// a system colour role that is resolved only when the colour is drawn.
struct TColor {
  quint32 Value = 0;
  constexpr TColor() = default;
  constexpr explicit TColor(quint32 value) : Value(value) {}
  constexpr bool operator==(const TColor&) const = default;
};

constexpr TColor RGB(int r, int g, int b) {
  return TColor(quint32(r & 0xFF) | quint32(g & 0xFF) << 8 | quint32(b & 0xFF) << 16);
}

// The system roles the controls use.
inline constexpr TColor clBtnFace{0x8000000F};
inline constexpr TColor clBtnShadow{0x80000010};
inline constexpr TColor clBtnHighlight{0x80000014};

// Resolves a colour to RGB; system roles come from the application palette.
QRgb ColorToRGB(TColor color);
// "#RRGGBB" for RGB colours, the role's name (clBtnFace) for system colours.
QString ColorToString(TColor color);
std::optional<TColor> StringToColor(const QString& text);

namespace taskpane {
Q_NAMESPACE

enum TmxGradientStyle {
  gtCornerTopLeft,
  gtCornerTopRight,
  gtCornerBottomRight,
  gtCornerBottomLeft,
  gtDiagonalRising,
  gtDiagonalFalling,
  gtEllipse,
  gtPyramid,
  gtVerticalToCenter,
  gtHorizontalToCenter,
  gtLeftToRight,
  gtTopToBottom
};
Q_ENUM_NS(TmxGradientStyle)
enum TmxGradientDirection { gdNormal, gdInverse };
Q_ENUM_NS(TmxGradientDirection)
enum TmxBackgroundStyle { btBitmap, btGradient, btSolid, btTileBitmap, btTransparent };
Q_ENUM_NS(TmxBackgroundStyle)
enum TmxBitmapCopy { bcMergeCopy, bcMergePaint, bcSrcCopy, bcSrcErase, bcSrcPaint };
Q_ENUM_NS(TmxBitmapCopy)

// Sets are flags whose bit is 1 << ordinal, so each member keeps its place.
enum TmxPaneButton { pbBack = 1, pbNext = 2, pbPanes = 4, pbClose = 8, pbDots = 16 };
Q_DECLARE_FLAGS(TmxPaneButtons, TmxPaneButton)
Q_FLAG_NS(TmxPaneButtons)
enum TmxTaskPaneOption { toShowBorder = 1, toPopup2003 = 2, to2003Menu = 4 };
Q_DECLARE_FLAGS(TmxTaskPaneOptions, TmxTaskPaneOption)
Q_FLAG_NS(TmxTaskPaneOptions)
enum TmxPaneScrollType { stAccelerated, stLinear };
Q_ENUM_NS(TmxPaneScrollType)
enum TmxTaskPanePreset { tpsDefault, tps2003, tpsBlue, tpsXP };
Q_ENUM_NS(TmxTaskPanePreset)

// The items' own option set; it shares its type name with the pane's in the
// product, so it carries "Item" here to live beside it.
enum TmxTaskItemOption { tiSetStyle = 1 };
Q_DECLARE_FLAGS(TmxTaskItemOptions, TmxTaskItemOption)
Q_FLAG_NS(TmxTaskItemOptions)
enum TmxBorderLine { blLeft = 1, blRight = 2, blTop = 4, blBottom = 8 };
Q_DECLARE_FLAGS(TmxBorderLines, TmxBorderLine)
Q_FLAG_NS(TmxBorderLines)
enum TmxTextStyle { tsStandard, tsPathEllipsis, tsEndEllipsis };
Q_ENUM_NS(TmxTextStyle)
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
enum TTextLayout { tlTop, tlCenter, tlBottom };
Q_ENUM_NS(TTextLayout)
enum TmxGlyphPosition { gpLeft, gpRight, gpTop, gpBottom };
Q_ENUM_NS(TmxGlyphPosition)
enum TmxMSButtonStyle { msRight, msDown, msLeft, msUp };
Q_ENUM_NS(TmxMSButtonStyle)
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)
// Docking of a child inside its parent's alignment area.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
Q_ENUM_NS(TAlign)

}  // namespace taskpane

Q_DECLARE_OPERATORS_FOR_FLAGS(taskpane::TmxPaneButtons)
Q_DECLARE_OPERATORS_FOR_FLAGS(taskpane::TmxTaskPaneOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(taskpane::TmxTaskItemOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(taskpane::TmxBorderLines)
Q_DECLARE_OPERATORS_FOR_FLAGS(taskpane::TFontStyles)
