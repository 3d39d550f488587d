// Process-wide state shared by the logger and the library callback.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "vexlo/logger.h"

namespace vx {

// A message whose file part is written and whose OnLog part is still to be delivered.
struct TPendingLog {
  std::shared_ptr<const TLogEvent> Handler;
  bool MainThread = true;
  TLogInfo Info;
};

struct TLogState {
  std::atomic<TFFLogger*> Logger{nullptr};   // the one logger
  std::unique_ptr<TFFLogger> AutoLogger;     // owned when auto-created
  std::atomic<int> AVLogLevel{32};
  std::atomic<TAVLogSetLevel> SetLevel{nullptr};

  // Lock order: CallbackLock before LogLock; never the other way.
  std::mutex LogLock;
  std::string LogFile;                         // guarded by LogLock
  bool LogToFile = false;                      // guarded by LogLock
  int LogFd = -1;                              // guarded by LogLock
  std::shared_ptr<const TLogEvent> OnLog;      // guarded by LogLock
  std::atomic<bool> HasOnLog{false};
  std::atomic<bool> FileInUse{false};

  std::mutex CallbackLock;
  std::unordered_map<uint32_t, std::string> Lines;  // unfinished line per thread; guarded by CallbackLock
  std::string PreviousLog;                            // guarded by CallbackLock
  int LogCount = 0;                                   // guarded by CallbackLock
};

TLogState& LogState();
// Writes the file part under LogLock (the caller holds it) and returns the OnLog part.
TPendingLog PrepareLocked(TFFLogger* logger, TLogInfo&& info);
// Delivers the OnLog part; called with no logger lock held.
void Dispatch(const TPendingLog& p);
bool Listening();
void UpdateAVLogLevel(TLogLevel level);

}  // namespace vx
