#include "app/window/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace pictures {
namespace {

QPixmap blank(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// A downward arrow on a disc: the picture of saving a video.
QPixmap arrowDisc(int size, QColor disc) {
  QPixmap pixmap = blank(size, size);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(disc);
  painter.setPen(QPen(disc.darker(140), size / 24.0));
  painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
  const double u = size / 16.0;
  QPainterPath arrow;
  arrow.moveTo(6.5 * u, 3.5 * u);
  arrow.lineTo(9.5 * u, 3.5 * u);
  arrow.lineTo(9.5 * u, 8 * u);
  arrow.lineTo(12 * u, 8 * u);
  arrow.lineTo(8 * u, 12.5 * u);
  arrow.lineTo(4 * u, 8 * u);
  arrow.lineTo(6.5 * u, 8 * u);
  arrow.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPath(arrow);
  return pixmap;
}

QPixmap siteButton(const QString& name, QColor colour) {
  QPixmap pixmap = blank(86, 32);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, 32);
  gradient.setColorAt(0, colour.lighter(150));
  gradient.setColorAt(1, colour);
  painter.setBrush(gradient);
  painter.setPen(colour.darker(150));
  painter.drawRoundedRect(QRectF(0.5, 0.5, 85, 31), 6, 6);
  QFont font("Tahoma");
  font.setBold(true);
  font.setPixelSize(12);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, name);
  return pixmap;
}

}  // namespace

QPixmap Download() { return arrowDisc(48, QColor(46, 139, 87)); }
QPixmap Icon() { return arrowDisc(64, QColor(70, 110, 200)); }

QPixmap Stop() {
  QPixmap pixmap = blank(16, 16);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(200, 40, 40));
  painter.setPen(QColor(120, 20, 20));
  painter.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2, 2);
  return pixmap;
}

QPixmap Browse() {
  QPixmap pixmap = blank(16, 16);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(30, 80, 170), 1.2));
  painter.setBrush(QColor(120, 170, 240));
  painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  painter.drawEllipse(QRectF(5, 1.5, 6, 13));
  painter.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  return pixmap;
}

QPixmap FirstSite() { return siteButton("Clipcove", QColor(200, 60, 50)); }
QPixmap SecondSite() { return siteButton("Reelharbor", QColor(40, 90, 170)); }

}  // namespace pictures
