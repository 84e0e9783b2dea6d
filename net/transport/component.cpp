#include "net/transport/component.h"

#include <fmt/core.h>

#include "net/transport/stack.h"

const std::array<const char*, ftpAborted + 1> StatusTexts = {
    "Resolving hostname {}.",
    "Connecting to {}.",
    "Connected.",
    "Disconnecting.",
    "Disconnected.",
    "{}",
    "{}",
    "{}",
    "{}",
};

TIdComponent::TIdComponent() {
  std::lock_guard<std::mutex> guard(StackLock);
  // Counted only once the stack exists, so a failed start leaves no user behind.
  if (StackUsers == 0) SharedStack = new TIdStackWindows();
  ++StackUsers;
}

TIdComponent::~TIdComponent() {
  std::lock_guard<std::mutex> guard(StackLock);
  if (--StackUsers == 0) {
    delete SharedStack;
    SharedStack = nullptr;
  }
}

void TIdComponent::StartWork(TWorkMode AWorkMode, int64_t ASize) {
  TWorkInfo& work = WorkInfos[AWorkMode];
  if (++work.WorkLevel != 1) return;
  work.WorkSize = ASize;
  work.WorkPosition = 0;
  if (OnWorkBegin) OnWorkBegin(this, AWorkMode, ASize);
}

void TIdComponent::AddWork(TWorkMode AWorkMode, int64_t ACount) {
  TWorkInfo& work = WorkInfos[AWorkMode];
  if (work.WorkLevel < 1) return;
  work.WorkPosition += ACount;
  if (OnWork) OnWork(this, AWorkMode, work.WorkPosition);
}

void TIdComponent::FinishWork(TWorkMode AWorkMode) {
  TWorkInfo& work = WorkInfos[AWorkMode];
  if (work.WorkLevel == 1 && OnWorkEnd) OnWorkEnd(this, AWorkMode);
  --work.WorkLevel;
}

void TIdComponent::ReportStatus(TIdStatus AStatus, std::string_view argument) {
  if (!OnStatus) return;
  OnStatus(this, AStatus, fmt::format(fmt::runtime(StatusTexts[AStatus]), argument));
}
