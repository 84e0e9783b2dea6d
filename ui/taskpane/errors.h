// The toolkit's own failures raised by the task-pane controls.
#pragma once

#include <QString>

#include "platform/exception.h"

class QObject;

// An index outside the range of what it indexes.
class ERangeError : public Exception {
public:
  using Exception::Exception;
};

namespace taskpane {

// The conversion error for copying an object from one of another class.
[[noreturn]] void RefuseAssign(const QObject* source, const QObject* target);

}  // namespace taskpane
