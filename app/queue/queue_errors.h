// The queue's errors. The store's tell a damaged file from one in use, so the
// window can say which and offer the right way out.
#pragma once

#include <string>
#include <utility>

#include "platform/exception.h"

class EQueueError : public Exception {
public:
  using Exception::Exception;
};

// The queue file cannot be opened or written: a folder that cannot be made,
// a read-only file or folder, a layout from a newer program.
class EQueueStoreError : public EQueueError {
public:
  using EQueueError::EQueueError;
};

// Another window holds the queue.
class EQueueInUse : public EQueueStoreError {
public:
  using EQueueStoreError::EQueueStoreError;
};

// The file was no database, or a damaged one; it now lies at KeptAs.
class EQueueDamaged : public EQueueStoreError {
public:
  EQueueDamaged(std::string message, std::string keptAs)
      : EQueueStoreError(std::move(message)), KeptAs(std::move(keptAs)) {}
  std::string KeptAs;
};

// A command or an event that the item's state does not allow.
class EQueueTransition : public EQueueError {
public:
  using EQueueError::EQueueError;
};
