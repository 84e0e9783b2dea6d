#pragma once
// Failures of the HTTP text layer: addresses that cannot be composed, a time
// zone the system cannot report, and the string list's index error.

#include "net/transport/exceptions.h"
#include "platform/exception.h"

class EIdURIException : public EIdException {
public:
  using EIdException::EIdException;
};

class EIdFailedToRetreiveTimeZoneInfo : public EIdException {
public:
  using EIdException::EIdException;
};

// The toolkit's list error, not the network client's: a header line index
// outside the list.
class EStringListError : public Exception {
public:
  using Exception::Exception;
};
