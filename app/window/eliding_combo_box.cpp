#include "app/window/eliding_combo_box.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

TElidingComboBox::TElidingComboBox(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentTextChanged, this, [this](const QString& entry) { setToolTip(entry); });
}

QString TElidingComboBox::ShownText(const QString& entry) const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  // What the style adds around a text: frame, margins and the arrow.
  const int around =
      style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(0, fontMetrics().height()), this).width();
  const int room = width() - around;
  return fontMetrics().elidedText(entry, Qt::ElideRight, room);
}

void TElidingComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  option.currentText = ShownText(option.currentText);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
