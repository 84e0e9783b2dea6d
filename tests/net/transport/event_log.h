#pragma once
// Records what a component reports — work brackets, running totals, status
// texts, disconnect notices — as one list of short lines, so that a test can
// compare the whole sequence at once.

#include <string>
#include <vector>

#include "net/transport/tcp_connection.h"

struct EventLog {
  std::vector<std::string> Lines;

  void Attach(TIdTCPConnection& connection) {
    AttachWork(connection);
    AttachStatus(connection);
    connection.OnDisconnected = [this](TIdComponent*) { Lines.push_back("OnDisconnected"); };
  }

  void AttachWork(TIdComponent& component) {
    component.OnWorkBegin = [this](TIdComponent*, TWorkMode mode, int64_t size) {
      Lines.push_back(modeName(mode) + " begin " + std::to_string(size));
    };
    component.OnWork = [this](TIdComponent*, TWorkMode mode, int64_t count) {
      Lines.push_back(modeName(mode) + " " + std::to_string(count));
    };
    component.OnWorkEnd = [this](TIdComponent*, TWorkMode mode) { Lines.push_back(modeName(mode) + " end"); };
  }

  void AttachStatus(TIdComponent& component) {
    component.OnStatus = [this](TIdComponent*, TIdStatus, const std::string& text) { Lines.push_back(text); };
  }

private:
  static std::string modeName(TWorkMode mode) { return mode == wmRead ? "read" : "write"; }
};
