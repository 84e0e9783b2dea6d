#pragma once
// The base of every network component: status texts for the status line and
// the nested work brackets that drive the progress bar. Constructing and
// destroying components also keeps the one shared socket stack alive.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum TIdStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted
};

enum TWorkMode { wmRead, wmWrite };

// The status message per status value; each is a format with at most one
// text argument.
extern const std::array<const char*, ftpAborted + 1> StatusTexts;

class TIdComponent;

using TIdStatusEvent = std::function<void(TIdComponent* ASender, TIdStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode, int64_t AWorkCountMax)>;
using TWorkEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode, int64_t AWorkCount)>;
using TWorkEndEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode)>;
using TNotifyEvent = std::function<void(TIdComponent* Sender)>;

class TIdBaseComponent {
public:
  TIdBaseComponent() = default;
  virtual ~TIdBaseComponent() = default;
  TIdBaseComponent(const TIdBaseComponent&) = delete;
  TIdBaseComponent& operator=(const TIdBaseComponent&) = delete;
};

class TIdComponent : public TIdBaseComponent {
public:
  // Work counters are 64-bit so transfers of 2 GiB and more count correctly.
  struct TWorkInfo {
    int64_t WorkPosition = 0;
    int64_t WorkSize = 0;
    int32_t WorkLevel = 0;
  };

  TIdComponent();
  ~TIdComponent() override;

  // Only the outermost bracket fires OnWorkBegin / OnWorkEnd; OnWork carries
  // the running total since the outermost start.
  virtual void StartWork(TWorkMode AWorkMode, int64_t ASize = 0);
  virtual void AddWork(TWorkMode AWorkMode, int64_t ACount);
  virtual void FinishWork(TWorkMode AWorkMode);
  void ReportStatus(TIdStatus AStatus, std::string_view argument = "");

  const TWorkInfo& WorkInfo(TWorkMode mode) const { return WorkInfos[mode]; }

  TIdStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

private:
  std::array<TWorkInfo, 2> WorkInfos{};
};
