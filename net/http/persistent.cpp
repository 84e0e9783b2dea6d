#include "net/http/persistent.h"

#include <fmt/core.h>

#include "net/http/messages.h"
#include "platform/exception.h"

void TPersistent::AssignTo(TPersistent& destination) const {
  throw EConvertError(fmt::format(http_messages::CannotAssign, ClassName(), destination.ClassName()));
}
