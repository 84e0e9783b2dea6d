// A list of equally sized pictures with see-through parts, drawn whole or as a
// one-colour silhouette (the buttons' shadow).
#pragma once

#include <QImage>
#include <QObject>
#include <vector>

class QPainter;

class TmxImageList : public QObject {
  Q_OBJECT
public:
  TmxImageList(int width, int height, QObject* parent = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(pictures_.size()); }

  // Pixels of the see-through colour become transparent.
  void Add(const QImage& picture, QRgb seeThrough);
  void Draw(QPainter& canvas, int x, int y, int index) const;
  void DrawSilhouette(QPainter& canvas, int x, int y, int index, QRgb color) const;

private:
  int width_;
  int height_;
  std::vector<QImage> pictures_;
};

namespace taskpane {

// The pictures the controls carry with them, drawn here rather than loaded:
// IMG_LEFT, IMG_RIGHT, IMG_HOME (and their _DISABLED forms, 14 x 14) for the
// pane's strip, IMG_NORMAL_, IMG_FOCUSED_ and IMG_DISABLED_ with R, D, L, U
// (20 x 20) for the arrow button. Magenta marks the see-through parts.
QImage BuiltinPicture(const QString& name);
inline constexpr QRgb Magenta = 0xFFFF00FF;

}  // namespace taskpane
