#include "ui/taskpane/errors.h"

#include <QObject>
#include <string>

namespace taskpane {

void RefuseAssign(const QObject* source, const QObject* target) {
  const std::string sourceName = source ? source->metaObject()->className() : "nil";
  throw EConvertError("Cannot assign a " + sourceName + " to a " + target->metaObject()->className());
}

}  // namespace taskpane
