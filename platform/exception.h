#pragma once
// The root of every exception the program raises: a message text and nothing
// else. Each layer derives its own classes from it.

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;
};

// A text that is not a valid value of the type asked for.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// Stream failures: a short read or write, a file that cannot be created or
// opened. Errno is the system's code where a system call failed (a full
// disk is ENOSPC), else 0.
class EStreamError : public Exception {
public:
  explicit EStreamError(std::string message, int error = 0) : Exception(std::move(message)), Errno(error) {}
  int Errno;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
