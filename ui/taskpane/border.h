// Four inner margins of a task-pane item; they shrink the area in which the
// item aligns its children.
#pragma once

#include <QObject>
#include <functional>

class TmxBorder : public QObject {
  Q_OBJECT
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Right READ Right WRITE SetRight)
  Q_PROPERTY(int Bottom READ Bottom WRITE SetBottom)
public:
  using QObject::QObject;

  int Left() const { return left_; }
  void SetLeft(int value);
  int Top() const { return top_; }
  void SetTop(int value);
  int Right() const { return right_; }
  void SetRight(int value);
  int Bottom() const { return bottom_; }
  void SetBottom(int value);
  void SetAll(int left, int top, int right, int bottom);

  void Assign(const QObject* source);

  std::function<void(QObject* Sender)> OnChange;

private:
  void changed();

  quint16 left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};
