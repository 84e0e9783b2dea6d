#include "ui/taskpane/image_list.h"

#include <QPainter>
#include <QPolygon>
#include <QTransform>

TmxImageList::TmxImageList(int width, int height, QObject* parent) : QObject(parent), width_(width), height_(height) {}

void TmxImageList::Add(const QImage& picture, QRgb seeThrough) {
  QImage keyed = picture.convertToFormat(QImage::Format_ARGB32).scaled(width_, height_);
  for (int y = 0; y < keyed.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x)
      if ((row[x] & 0xFFFFFF) == (seeThrough & 0xFFFFFF)) row[x] = 0;
  }
  pictures_.push_back(keyed);
}

void TmxImageList::Draw(QPainter& canvas, int x, int y, int index) const {
  if (index < 0 || index >= Count()) return;
  canvas.drawImage(x, y, pictures_[index]);
}

void TmxImageList::DrawSilhouette(QPainter& canvas, int x, int y, int index, QRgb color) const {
  if (index < 0 || index >= Count()) return;
  QImage silhouette = pictures_[index];
  for (int row = 0; row < silhouette.height(); ++row) {
    auto* pixels = reinterpret_cast<QRgb*>(silhouette.scanLine(row));
    for (int column = 0; column < silhouette.width(); ++column)
      if (qAlpha(pixels[column])) pixels[column] = 0xFF000000u | (color & 0xFFFFFF);
  }
  canvas.drawImage(x, y, silhouette);
}

namespace taskpane {

namespace {

// A filled arrow pointing right, centred in a square picture, turned to the
// wanted direction.
QImage arrowPicture(int size, QRgb color, int quarterTurns) {
  QImage picture(size, size, QImage::Format_RGB32);
  picture.fill(Magenta);
  QPainter p(&picture);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(color));
  const int c = size / 2, r = size / 4;
  p.drawPolygon(QPolygon({QPoint(c - r, c - r - 1), QPoint(c + r, c), QPoint(c - r, c + r + 1)}));
  p.end();
  return picture.transformed(QTransform().rotate(90 * quarterTurns));
}

QImage homePicture(QRgb color) {
  QImage picture(14, 14, QImage::Format_RGB32);
  picture.fill(Magenta);
  QPainter p(&picture);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(color));
  p.drawPolygon(QPolygon({QPoint(7, 1), QPoint(13, 7), QPoint(1, 7)}));
  p.drawRect(3, 7, 8, 6);
  p.setBrush(QColor(Magenta));
  p.drawRect(6, 9, 2, 4);
  return picture;
}

}  // namespace

QImage BuiltinPicture(const QString& name) {
  const QRgb normal = qRgb(0, 0, 0), disabled = qRgb(160, 160, 160), focused = qRgb(0, 0, 192);
  const bool isDisabled = name.contains(QLatin1String("DISABLED"));
  if (name.startsWith(QLatin1String("IMG_LEFT"))) return arrowPicture(14, isDisabled ? disabled : normal, 2);
  if (name.startsWith(QLatin1String("IMG_RIGHT"))) return arrowPicture(14, isDisabled ? disabled : normal, 0);
  if (name.startsWith(QLatin1String("IMG_HOME"))) return homePicture(isDisabled ? disabled : normal);
  const QRgb color = isDisabled ? disabled : name.startsWith(QLatin1String("IMG_FOCUSED")) ? focused : normal;
  const QChar direction = name.back();
  const int turns = direction == u'D' ? 1 : direction == u'L' ? 2 : direction == u'U' ? 3 : 0;
  return arrowPicture(20, color, turns);
}

}  // namespace taskpane
