#include "ui/taskpane/alignment.h"

#include <QChildEvent>
#include <QDynamicPropertyChangeEvent>
#include <QMetaEnum>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace taskpane {

namespace {
constexpr const char* AlignProperty = "Align";
}

TAlign AlignOf(const QWidget* control) {
  const QVariant value = control->property(AlignProperty);
  if (!value.isValid()) return alNone;
  if (value.metaType() == QMetaType::fromType<TAlign>()) return value.value<TAlign>();
  if (value.metaType() == QMetaType::fromType<QString>()) {
    bool ok = false;
    const int align = QMetaEnum::fromType<TAlign>().keyToValue(value.toString().toLatin1(), &ok);
    return ok ? TAlign(align) : alNone;
  }
  return alNone;
}

bool IsHiddenByChoice(const QWidget* control) {
  return control->isHidden() && control->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

void SetAlign(QWidget* control, TAlign align) {
  if (AlignOf(control) == align && control->property(AlignProperty).isValid()) return;
  control->setProperty(AlignProperty, QVariant::fromValue(align));
}

void AlignChildren(QWidget* parent, const QRect& area) {
  std::vector<QWidget*> byAlign[6];
  for (QObject* object : parent->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child || IsHiddenByChoice(child) || child->isWindow()) continue;
    byAlign[AlignOf(child)].push_back(child);
  }
  auto sortBy = [](std::vector<QWidget*>& controls, auto key) {
    std::stable_sort(controls.begin(), controls.end(), [&](QWidget* a, QWidget* b) { return key(a) < key(b); });
  };
  sortBy(byAlign[alTop], [](QWidget* w) { return w->y(); });
  sortBy(byAlign[alBottom], [](QWidget* w) { return -(w->y() + w->height()); });
  sortBy(byAlign[alLeft], [](QWidget* w) { return w->x(); });
  sortBy(byAlign[alRight], [](QWidget* w) { return -(w->x() + w->width()); });

  int left = area.left(), top = area.top();
  int right = area.left() + area.width(), bottom = area.top() + area.height();
  for (QWidget* w : byAlign[alTop]) {
    w->setGeometry(left, top, std::max(0, right - left), w->height());
    top += w->height();
  }
  for (QWidget* w : byAlign[alBottom]) {
    bottom -= w->height();
    w->setGeometry(left, bottom, std::max(0, right - left), w->height());
  }
  for (QWidget* w : byAlign[alLeft]) {
    w->setGeometry(left, top, w->width(), std::max(0, bottom - top));
    left += w->width();
  }
  for (QWidget* w : byAlign[alRight]) {
    right -= w->width();
    w->setGeometry(right, top, w->width(), std::max(0, bottom - top));
  }
  for (QWidget* w : byAlign[alClient]) w->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

ChildAligner::ChildAligner(QWidget* host, std::function<void()> realign)
    : QObject(host), host_(host), realign_(std::move(realign)) {
  host->installEventFilter(this);
}

void ChildAligner::Realign() {
  if (aligning_ || suspended_) return;
  aligning_ = true;
  realign_();
  aligning_ = false;
}

bool ChildAligner::eventFilter(QObject* watched, QEvent* event) {
  if (watched == host_) {
    if (event->type() == QEvent::ChildAdded) {
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child->isWidgetType()) child->installEventFilter(this);
    } else if (event->type() == QEvent::ChildRemoved) {
      static_cast<QChildEvent*>(event)->child()->removeEventFilter(this);
      Realign();
    }
    return false;
  }
  switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent: Realign(); break;
    case QEvent::DynamicPropertyChange:
      if (static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == AlignProperty) Realign();
      break;
    default: break;
  }
  return false;
}

}  // namespace taskpane
