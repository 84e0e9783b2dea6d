// The font and pen objects a control owns and publishes; each tells its owner
// of every change.
#pragma once

#include <QFont>
#include <QObject>
#include <functional>

#include "ui/taskpane/types.h"

class TmxFont : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName)
  Q_PROPERTY(int Size READ Size WRITE SetSize)
  Q_PROPERTY(taskpane::TFontStyles Style READ Style WRITE SetStyle)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
public:
  explicit TmxFont(QObject* parent = nullptr);

  QString Name() const { return name_; }
  void SetName(const QString& value);
  // In points.
  int Size() const { return size_; }
  void SetSize(int value);
  taskpane::TFontStyles Style() const { return style_; }
  void SetStyle(taskpane::TFontStyles value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  // Sets name, size and style at once with one notification.
  void Set(const QString& name, int size, taskpane::TFontStyles style);

  QFont ToQFont() const;

  std::function<void(QObject* Sender)> OnChange;

private:
  void changed();

  QString name_;
  int size_ = 8;
  taskpane::TFontStyles style_;
  TColor color_ = RGB(0, 0, 0);
};

class TmxPen : public QObject {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
  using QObject::QObject;

  TColor Color() const { return color_; }
  void SetColor(TColor value);
  int Width() const { return width_; }
  void SetWidth(int value);

  std::function<void(QObject* Sender)> OnChange;

private:
  TColor color_ = RGB(0, 0, 0);
  int width_ = 1;
};
