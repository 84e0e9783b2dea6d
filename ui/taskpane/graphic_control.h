// A windowless control: it paints no background of its own, so whatever lies
// beneath it shows through, and see-through items paint it into their
// underlay.
#pragma once

#include <QString>
#include <QWidget>

class TmxGraphicControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
public:
  explicit TmxGraphicControl(QWidget* parent = nullptr);

  QString Version() const { return QStringLiteral("3.16 "); }
  // Read-only in effect: writing is ignored.
  void SetVersion(const QString&) {}
};
