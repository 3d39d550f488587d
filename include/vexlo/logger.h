// The process-wide logger. Engine messages carry a level and a sender; the FFmpeg libraries'
// output arrives through AVLogCallback, is reassembled into whole lines per thread, prefixed
// with the speaking object and folded when repeated.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "vexlo/format.h"

namespace vx {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// Library level of a log level: (ordinal - 1) * 8.
int LogLevelToInt(TLogLevel level);
// Log level of a library level: (level / 8 truncated) + 1, clamped to llQuiet..llDebug.
TLogLevel IntToLogLevel(int level);
// The option word ("quiet" ... "debug") and the file label ("Quiet" ... "Debug").
const char* LogLevelOptionWord(TLogLevel level);
const char* LogLevelFileLabel(TLogLevel level);

struct TLogInfo {
  const void* Sender = nullptr;
  uint32_t ThreadID = 0;
  TLogLevel LogLevel = llInfo;
  std::string LogMsg;
};

using TLogEvent = std::function<void(const void* Sender, uint32_t AThreadID, TLogLevel ALogLevel,
                                     const std::string& ALogMsg)>;

// The functions of the utility library the logger needs once it is loaded.
using TAVLogSetCallback = void (*)(void (*)(void*, int, const char*, va_list));
using TAVLogSetLevel = void (*)(int);

class TFFLogger {
 public:
  // A logger made by the application; replaces an auto-created one. A second user logger
  // raises EAssertionFailed "Allow creating only one instance of TFFLogger.".
  explicit TFFLogger(void* AOwner = nullptr);
  ~TFFLogger();
  TFFLogger(const TFFLogger&) = delete;
  TFFLogger& operator=(const TFFLogger&) = delete;

  // One message as it is.
  void Log(const void* Sender, TLogLevel ALogLevel, std::string_view ALogMsg);
  // A formatted message; the text is only formatted when the message passes the filter.
  template <class A0, class... A>
  void Log(const void* Sender, TLogLevel ALogLevel, std::string_view AFormat, const A0& a0,
           const A&... args) {
    if (!WouldLog(ALogLevel)) return;
    LogFormatted(Sender, ALogLevel, AFormat, {TVarRec(a0), TVarRec(args)...});
  }
  // One whole library line; ALogLevel is a library level.
  void AVLog(uint32_t AThreadID, int ALogLevel, const std::string& ALogMsg);

  TLogLevel LogLevel() const;
  void SetLogLevel(TLogLevel value);
  // Sets LogLevel from an option word or a decimal library level; raises EConvertError for
  // anything else and leaves the level unchanged.
  void OptLogLevel(const std::string& arg);

  std::string LogFile() const;
  void SetLogFile(const std::string& value);
  bool LogToFile() const;
  void SetLogToFile(bool value);
  void ClearLogFile();

  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread.load(); }
  void SetTriggerEventInMainThread(bool value) { FTriggerEventInMainThread = value; }
  void SetOnLog(TLogEvent handler);
  bool HasOnLog() const;

  bool AutoCreated() const { return FAutoCreated; }
  // Whether a message of the level would be delivered at all.
  bool WouldLog(TLogLevel level) const;

 private:
  friend TFFLogger* FFLogger();
  struct AutoTag {};
  explicit TFFLogger(AutoTag);
  void LogFormatted(const void* Sender, TLogLevel level, std::string_view fmt,
                    std::initializer_list<TVarRec> args);

  bool FAutoCreated = false;
  std::atomic<bool> FTriggerEventInMainThread{true};
  std::atomic<int> FLogLevel{llInfo};
};

// The one logger; made on first use when the application has made none.
TFFLogger* FFLogger();

// The library-level threshold applied to library messages (32 at start).
int GAVLogLevel();
// Installs AVLogCallback into the loaded utility library and passes it the threshold. Both
// functions are required (EAssertionFailed otherwise).
void InstallAVLogCallback(TAVLogSetCallback set_callback, TAVLogSetLevel set_level);
// Forgets the utility library's functions (it is being unloaded).
void UninstallAVLogCallback();
// The callback the libraries call for every message.
void AVLogCallback(void* avcl, int level, const char* fmt, va_list vl);

}  // namespace vx
