#include "ui/taskpane/types.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct SystemColor {
  TColor color;
  const char* name;
  QPalette::ColorRole role;
};

const SystemColor SystemColors[] = {
    {clBtnFace, "clBtnFace", QPalette::Button},
    {clBtnShadow, "clBtnShadow", QPalette::Dark},
    {clBtnHighlight, "clBtnHighlight", QPalette::Light},
};

}  // namespace

QRgb ColorToRGB(TColor color) {
  if (color.Value & 0x80000000u) {
    for (const SystemColor& system : SystemColors)
      if (system.color == color) return QGuiApplication::palette().color(system.role).rgb();
    return qRgb(0, 0, 0);
  }
  return qRgb(color.Value & 0xFF, (color.Value >> 8) & 0xFF, (color.Value >> 16) & 0xFF);
}

QString ColorToString(TColor color) {
  for (const SystemColor& system : SystemColors)
    if (system.color == color) return QString::fromLatin1(system.name);
  const QRgb rgb = ColorToRGB(color);
  return QString::asprintf("#%02X%02X%02X", qRed(rgb), qGreen(rgb), qBlue(rgb));
}

std::optional<TColor> StringToColor(const QString& text) {
  for (const SystemColor& system : SystemColors)
    if (text == QLatin1String(system.name)) return system.color;
  if (text.size() != 7 || text[0] != u'#') return std::nullopt;
  bool ok = false;
  const uint value = text.mid(1).toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}
