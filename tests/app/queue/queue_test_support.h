// Helpers shared by the queue's tests: running a piece of a test in a child
// process, a process number nobody runs under, and a queue file's raw SQLite
// for making old or odd files.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <sqlite3.h>

namespace queue_test {

// Runs body in a forked child and returns what it wrote to the pipe; the
// child ends with _exit, so nothing of the parent's test runs twice.
inline std::string InChild(const std::function<std::string()>& body) {
  int pipe[2];
  if (::pipe(pipe) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    std::string said;
    try {
      said = body();
    } catch (const std::exception& error) {
      said = error.what();
    }
    [[maybe_unused]] const auto ignored = ::write(pipe[1], said.data(), said.size());
    ::_exit(0);
  }
  ::close(pipe[1]);
  std::string said;
  char block[512];
  for (ssize_t got; (got = ::read(pipe[0], block, sizeof block)) > 0;) said.append(block, size_t(got));
  ::close(pipe[0]);
  ::waitpid(child, nullptr, 0);
  return said;
}

// A process that has ended, so that none runs under its number.
inline pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// Runs sql on the file with the plain library, as another program would.
inline void RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "?";
    sqlite3_free(error);
    sqlite3_close(db);
    throw std::runtime_error(message);
  }
  sqlite3_close(db);
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace queue_test
