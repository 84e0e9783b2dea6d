#pragma once
// What the download benchmarks share: a large document for nginx to serve,
// and the timing of one download by curl or by GetIntoStream, each checked
// for its size so that a failed download never counts as a fast one.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/rates.h"
#include "net/http/http_client.h"
#include "platform/streams.h"

namespace bench {
[[noreturn]] inline void fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::exit(1);
}

inline void writeDocument(const std::string& path, int64_t size) {
  std::vector<char> block(MiB);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 % 251);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int64_t written = 0; written < size; written += MiB) out.write(block.data(), MiB);
  if (!out) fail("cannot write " + path);
}

inline void checkSize(const std::string& path, int64_t size, const char* who) {
  if (static_cast<int64_t>(std::filesystem::file_size(path)) != size)
    fail(std::string(who) + " downloaded " + path + " with the wrong size");
}

// Seconds of one GetIntoStream download into a new file.
inline double timeGetIntoStream(TIdHTTP& http, const std::string& url, const std::string& output, int64_t size) {
  const auto start = Clock::now();
  {
    TFileStream file(output, fmCreate);
    http.GetIntoStream(url, file);
  }
  const double elapsed = secondsSince(start);
  checkSize(output, size, "GetIntoStream");
  return elapsed;
}

// Seconds of one `curl -s [options] -o output url`.
inline double timeCurl(const std::vector<std::string>& options, const std::string& url, const std::string& output,
                       int64_t size) {
  std::vector<std::string> words = {"curl", "-s"};
  words.insert(words.end(), options.begin(), options.end());
  words.insert(words.end(), {"-o", output, url});
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execvp("curl", argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("curl failed");
  const double elapsed = secondsSince(start);
  checkSize(output, size, "curl");
  return elapsed;
}
}  // namespace bench
