#include "ui/taskpane/font_pen.h"

#include <QGuiApplication>

using namespace taskpane;

TmxFont::TmxFont(QObject* parent) : QObject(parent), name_(QGuiApplication::font().family()) {}

void TmxFont::changed() {
  if (OnChange) OnChange(this);
}

void TmxFont::SetName(const QString& value) {
  if (value == name_) return;
  name_ = value;
  changed();
}

void TmxFont::SetSize(int value) {
  if (value == size_) return;
  size_ = value;
  changed();
}

void TmxFont::SetStyle(TFontStyles value) {
  if (value == style_) return;
  style_ = value;
  changed();
}

void TmxFont::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  changed();
}

void TmxFont::Set(const QString& name, int size, TFontStyles style) {
  if (name == name_ && size == size_ && style == style_) return;
  name_ = name;
  size_ = size;
  style_ = style;
  changed();
}

QFont TmxFont::ToQFont() const {
  QFont font(name_);
  font.setPointSize(size_ > 0 ? size_ : 8);
  font.setBold(style_.testFlag(fsBold));
  font.setItalic(style_.testFlag(fsItalic));
  font.setUnderline(style_.testFlag(fsUnderline));
  font.setStrikeOut(style_.testFlag(fsStrikeOut));
  return font;
}

void TmxPen::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  if (OnChange) OnChange(this);
}

void TmxPen::SetWidth(int value) {
  if (value == width_) return;
  width_ = value;
  if (OnChange) OnChange(this);
}
