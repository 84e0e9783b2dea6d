#pragma once
// Raised when a test peer cannot be set up (a missing program, a peer that
// dies or never listens); the test that asked for it fails with the message.

#include <stdexcept>

class PeerError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
