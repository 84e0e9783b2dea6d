#pragma once
// A real server program run as a test peer: started in its own process group
// with its output in a log file, waited for until it listens on its port, and
// stopped with the whole group when the object goes, also when a test fails.

#include <sys/types.h>
#include <string>
#include <vector>

class PeerProcess {
public:
  // Starts program with arguments; a program that is not installed raises
  // PeerError naming the Debian package that provides it.
  PeerProcess(const std::string& program, const std::string& package, const std::vector<std::string>& arguments,
              const std::string& logFile);
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // Waits until the program accepts connections on 127.0.0.1:port; false when
  // it ended or did not listen in time.
  bool WaitUntilListening(int port);
  const std::string& Program() const { return ProgramPath; }

private:
  bool Running();

  std::string ProgramPath;
  pid_t Pid = -1;
  bool Reaped = false;
};
