// A list box whose closed box shortens an entry too long for it with an
// ellipsis, where a plain box would cut letters off; the whole entry shows
// in its tooltip and in the open list. The WMV profile names are longer than
// their panel at the window's design size.
#pragma once

#include <QComboBox>

class TElidingComboBox : public QComboBox {
public:
  explicit TElidingComboBox(QWidget* parent);

  // The text the closed box shows for entry.
  QString ShownText(const QString& entry) const;

protected:
  void paintEvent(QPaintEvent* event) override;
};
