#pragma once
// What a ranged fetch raises beyond the network client's own errors. Both are
// network failures: a cut can be continued, another version cannot be joined
// to the bytes already written.

#include "net/transport/exceptions.h"

// An answer that ended before the bytes its head announced.
class ETransferCut : public EIdException {
public:
  using EIdException::EIdException;
};

// An answer of another version of the resource, or of another range than the
// one asked for: nothing of it may join the bytes so far.
class EVersionChanged : public EIdException {
public:
  using EIdException::EIdException;
};
