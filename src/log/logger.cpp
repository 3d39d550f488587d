// The process-wide logger: levels, delivery to OnLog and the log file.
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "log_state.h"
#include "vexlo/exceptions.h"
#include "vexlo/platform.h"

namespace vx {

namespace {

struct TLevelRow {
  int LibLevel;
  const char* Word;
  const char* Label;
};

constexpr TLevelRow CLevels[] = {
    {-8, "quiet", "Quiet"}, {0, "panic", "Panic"},     {8, "fatal", "Fatal"},
    {16, "error", "Error"}, {24, "warning", "Warning"}, {32, "info", "Info"},
    {40, "verbose", "Verbose"}, {48, "debug", "Debug"},
};

std::mutex GCreateLock;  // makes the auto-creation of the logger happen once

}  // namespace

TLogState& LogState() {
  static TLogState* s = new TLogState;  // lives to the very end of the process
  return *s;
}

int LogLevelToInt(TLogLevel level) { return (static_cast<int>(level) - 1) * 8; }

TLogLevel IntToLogLevel(int level) {
  int ord = level / 8 + 1;
  if (ord < llQuiet) ord = llQuiet;
  if (ord > llDebug) ord = llDebug;
  return static_cast<TLogLevel>(ord);
}

const char* LogLevelOptionWord(TLogLevel level) { return CLevels[level].Word; }
const char* LogLevelFileLabel(TLogLevel level) { return CLevels[level].Label; }

int GAVLogLevel() { return LogState().AVLogLevel.load(); }

// --- Log file ------------------------------------------------------------------------------

void WriteLogFileLocked(const TLogInfo& info) {
  TLogState& s = LogState();
  if (s.LogFd < 0) {
    const int fd = ::open(s.LogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;  // the line is lost; the next one tries again
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {  // another writer has the file
      ::close(fd);
      return;
    }
    s.LogFd = fd;
  }
  char head[48];
  const int n = std::snprintf(head, sizeof(head), "[%.8x] %s: ", info.ThreadID,
                              LogLevelFileLabel(info.LogLevel));
  std::string line(head, static_cast<size_t>(n));
  line += info.LogMsg;
  line += "\r\n";
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    const ssize_t w = ::write(s.LogFd, p, left);
    if (w <= 0) break;
    p += w;
    left -= static_cast<size_t>(w);
  }
}

void CloseLogFileLocked() {
  TLogState& s = LogState();
  if (s.LogFd >= 0) {
    ::close(s.LogFd);
    s.LogFd = -1;
  }
}

// --- Delivery ------------------------------------------------------------------------------

TPendingLog PrepareLocked(TFFLogger* logger, TLogInfo&& info) {
  TLogState& s = LogState();
  if (s.LogToFile && !s.LogFile.empty()) WriteLogFileLocked(info);
  TPendingLog p;
  p.Handler = s.OnLog;
  p.MainThread = logger->TriggerEventInMainThread();
  p.Info = std::move(info);
  return p;
}

void Dispatch(const TPendingLog& p) {
  if (!p.Handler) return;
  const TLogEvent& h = *p.Handler;
  const TLogInfo& i = p.Info;
  try {
    if (p.MainThread && IsMainThread()) {
      // Calls queued by workers go first, so lines keep their order.
      CheckSynchronize(0);
      h(i.Sender, i.ThreadID, i.LogLevel, i.LogMsg);
    } else if (p.MainThread) {
      MySynchronize([&] { h(i.Sender, i.ThreadID, i.LogLevel, i.LogMsg); });
    } else {
      h(i.Sender, i.ThreadID, i.LogLevel, i.LogMsg);
    }
  } catch (...) {
    // A failing handler must not break the code that logged.
  }
}

bool Listening() {
  const TLogState& s = LogState();
  return s.HasOnLog.load() || s.FileInUse.load();
}

// --- TFFLogger -----------------------------------------------------------------------------

TFFLogger::TFFLogger(void* /*AOwner*/) {
  std::lock_guard g(GCreateLock);
  TLogState& s = LogState();
  TFFLogger* current = s.Logger.load();
  if (current && current->FAutoCreated) {
    s.Logger = nullptr;
    s.AutoLogger.reset();
    current = nullptr;
  }
  if (current) AssertFailed("Allow creating only one instance of TFFLogger.", "FFLog", __LINE__);
  FLogLevel = IntToLogLevel(s.AVLogLevel.load());
  s.Logger = this;
}

TFFLogger::TFFLogger(AutoTag) : FAutoCreated(true) {
  FLogLevel = IntToLogLevel(LogState().AVLogLevel.load());
}

TFFLogger::~TFFLogger() {
  TLogState& s = LogState();
  TFFLogger* self = this;
  s.Logger.compare_exchange_strong(self, nullptr);
}

TFFLogger* FFLogger() {
  TLogState& s = LogState();
  if (TFFLogger* l = s.Logger.load()) return l;
  std::lock_guard g(GCreateLock);
  if (TFFLogger* l = s.Logger.load()) return l;
  s.AutoLogger.reset(new TFFLogger(TFFLogger::AutoTag{}));
  s.Logger = s.AutoLogger.get();
  return s.Logger.load();
}

bool TFFLogger::WouldLog(TLogLevel level) const {
  return static_cast<int>(level) <= FLogLevel.load() && Listening();
}

void TFFLogger::Log(const void* Sender, TLogLevel ALogLevel, std::string_view ALogMsg) {
  if (!WouldLog(ALogLevel)) return;
  TLogInfo info{Sender, CurrentThreadID(), ALogLevel, std::string(ALogMsg)};
  TPendingLog p;
  {
    std::lock_guard g(LogState().LogLock);
    p = PrepareLocked(this, std::move(info));
  }
  Dispatch(p);
}

void TFFLogger::LogFormatted(const void* Sender, TLogLevel level, std::string_view fmt,
                             std::initializer_list<TVarRec> args) {
  std::string text;
  try {
    text = FormatArgs(fmt, args);
  } catch (const Exception& e) {
    text = std::string(fmt) + " [" + e.what() + "]";
  }
  Log(Sender, level, text);
}

void TFFLogger::AVLog(uint32_t AThreadID, int ALogLevel, const std::string& ALogMsg) {
  if (!Listening()) return;
  TPendingLog p;
  {
    std::lock_guard g(LogState().LogLock);
    p = PrepareLocked(this, TLogInfo{this, AThreadID, IntToLogLevel(ALogLevel), ALogMsg});
  }
  Dispatch(p);
}

TLogLevel TFFLogger::LogLevel() const { return static_cast<TLogLevel>(FLogLevel.load()); }

void TFFLogger::SetLogLevel(TLogLevel value) {
  if (FLogLevel.exchange(value) == value) return;
  UpdateAVLogLevel(value);
}

void TFFLogger::OptLogLevel(const std::string& arg) {
  int lib_level = 0;
  bool found = false;
  for (const TLevelRow& row : CLevels) {
    if (::strcasecmp(row.Word, arg.c_str()) == 0) {
      lib_level = row.LibLevel;
      found = true;
      break;
    }
  }
  if (!found) lib_level = StrToInt(arg);
  SetLogLevel(IntToLogLevel(lib_level));
}

std::string TFFLogger::LogFile() const {
  std::lock_guard g(LogState().LogLock);
  return LogState().LogFile;
}

void TFFLogger::SetLogFile(const std::string& value) {
  TLogState& s = LogState();
  std::lock_guard g(s.LogLock);
  if (value == s.LogFile) return;
  s.LogFile = value;
  CloseLogFileLocked();
  s.FileInUse = s.LogToFile && !s.LogFile.empty();
}

bool TFFLogger::LogToFile() const {
  std::lock_guard g(LogState().LogLock);
  return LogState().LogToFile;
}

void TFFLogger::SetLogToFile(bool value) {
  TLogState& s = LogState();
  std::lock_guard g(s.LogLock);
  if (value == s.LogToFile) return;
  s.LogToFile = value;
  CloseLogFileLocked();
  s.FileInUse = s.LogToFile && !s.LogFile.empty();
}

void TFFLogger::ClearLogFile() {
  TLogState& s = LogState();
  std::lock_guard g(s.LogLock);
  if (s.LogFd >= 0) {
    if (::ftruncate(s.LogFd, 0) != 0) { /* keep the file as it is */ }
  } else if (!s.LogFile.empty()) {
    ::unlink(s.LogFile.c_str());
  }
}

void TFFLogger::SetOnLog(TLogEvent handler) {
  TLogState& s = LogState();
  std::lock_guard g(s.LogLock);
  s.OnLog = handler ? std::make_shared<const TLogEvent>(std::move(handler)) : nullptr;
  s.HasOnLog = s.OnLog != nullptr;
}

bool TFFLogger::HasOnLog() const { return LogState().HasOnLog.load(); }

}  // namespace vx
