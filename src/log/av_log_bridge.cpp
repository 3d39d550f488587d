// The FFmpeg log callback: per-thread reassembly of line fragments, the speaker prefix and
// folding of repeated lines.
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "log_state.h"
#include "vexlo/exceptions.h"
#include "vexlo/platform.h"

namespace vx {

namespace {

constexpr size_t CFragmentBuffer = 2048;

const char* ItemName(const AVClass* avc, void* obj) {
  if (avc->item_name) return avc->item_name(obj);
  return avc->class_name ? avc->class_name : "NULL";
}

// Writes "[parent @ %p] [name @ %p]" for a speaking object; returns the bytes written.
size_t WritePrefix(char* buf, size_t size, void* avcl) {
  const AVClass* avc = *static_cast<const AVClass**>(avcl);
  if (!avc) return 0;
  int n = 0;
  if (avc->parent_log_context_offset) {
    void* parent = *reinterpret_cast<void**>(static_cast<uint8_t*>(avcl) + avc->parent_log_context_offset);
    if (parent) {
      const AVClass* pcl = *static_cast<const AVClass**>(parent);
      if (pcl) n = std::snprintf(buf, size, "[%s @ %p] ", ItemName(pcl, parent), parent);
    }
  }
  if (n < 0) n = 0;
  if (static_cast<size_t>(n) >= size) return size - 1;
  int m = std::snprintf(buf + n, size - static_cast<size_t>(n), "[%s @ %p]", ItemName(avc, avcl), avcl);
  if (m < 0) m = 0;
  const size_t total = static_cast<size_t>(n) + static_cast<size_t>(m);
  return total >= size ? size - 1 : total;
}

// The flush call of a finished job: format "%s" with an absent argument.
bool IsNullStringCall(const char* fmt, va_list vl) {
  if (std::strcmp(fmt, "%s") != 0) return false;
  va_list copy;
  va_copy(copy, vl);
  const char* arg = va_arg(copy, const char*);
  va_end(copy);
  return arg == nullptr;
}

std::string BuildFragment(void* avcl, bool line_empty, const char* fmt, va_list vl) {
  char buf[CFragmentBuffer];
  size_t n = 0;
  buf[0] = '\0';
  if (avcl && line_empty) n = WritePrefix(buf, sizeof(buf), avcl);
  if (!fmt || IsNullStringCall(fmt, vl)) return std::string(buf, n);
  va_list copy;
  va_copy(copy, vl);
  const int need = std::vsnprintf(buf + n, sizeof(buf) - n, fmt, copy);
  va_end(copy);
  if (need < 0) return std::string(buf, n);
  if (n + static_cast<size_t>(need) < sizeof(buf)) return std::string(buf, n + static_cast<size_t>(need));
  // Too long for the stack buffer: format the text alone on the heap, never cut.
  std::string text(static_cast<size_t>(need) + 1, '\0');
  va_copy(copy, vl);
  std::vsnprintf(text.data(), text.size(), fmt, copy);
  va_end(copy);
  text.resize(static_cast<size_t>(need));
  return std::string(buf, n) + text;
}

}  // namespace

void UpdateAVLogLevel(TLogLevel level) {
  TLogState& s = LogState();
  if (TAVLogSetLevel set_level = s.SetLevel.load()) {
    s.AVLogLevel = LogLevelToInt(level);
    set_level(s.AVLogLevel.load());
  }
}

void InstallAVLogCallback(TAVLogSetCallback set_callback, TAVLogSetLevel set_level) {
  if (!set_callback || !set_level)
    AssertFailed("av_log_set_callback and av_log_set_level must be bound", "FFLog", __LINE__);
  set_callback(&AVLogCallback);
  LogState().SetLevel = set_level;
  UpdateAVLogLevel(FFLogger()->LogLevel());
}

void UninstallAVLogCallback() { LogState().SetLevel = nullptr; }

void AVLogCallback(void* avcl, int level, const char* fmt, va_list vl) {
  TLogState& s = LogState();
  if (level > s.AVLogLevel.load()) return;
  try {
    TFFLogger* logger = FFLogger();
    const uint32_t tid = CurrentThreadID();
    std::vector<TPendingLog> out;
    {
      std::lock_guard cb(s.CallbackLock);
      auto it = s.Lines.find(tid);
      const bool line_empty = it == s.Lines.end() || it->second.empty();
      std::string fragment = BuildFragment(avcl, line_empty, fmt, vl);
      // Only a whole line folds: a fragment that ends a line gathered from earlier fragments
      // ("\n" after "frame=..."), even when it equals the previous one, ends that line.
      if (line_empty && !fragment.empty() && fragment.back() == '\n' && fragment == s.PreviousLog) {
        ++s.LogCount;
        return;
      }
      const bool listening = Listening();
      auto deliver = [&](std::string text) {
        if (!listening) return;
        std::lock_guard g(s.LogLock);
        out.push_back(PrepareLocked(logger, TLogInfo{logger, tid, IntToLogLevel(level), std::move(text)}));
      };
      if (s.LogCount > 1) {
        char notice[64];
        std::snprintf(notice, sizeof(notice), "    Last message repeated %d times", s.LogCount);
        deliver(notice);
      }
      s.LogCount = 0;
      s.PreviousLog = fragment;
      if (it == s.Lines.end()) it = s.Lines.emplace(tid, std::string()).first;
      std::string& line = it->second;
      line += fragment;
      size_t pos;
      while ((pos = line.find('\n')) != std::string::npos) {
        deliver(line.substr(0, pos));
        line.erase(0, pos + 1);
      }
      // A thread with nothing pending needs no item (library threads come and go).
      if (line.empty()) s.Lines.erase(it);
    }
    // Both locks are released before the hand-over to the main thread.
    for (const TPendingLog& p : out) Dispatch(p);
  } catch (...) {
    // Nothing may cross back into the library.
  }
}

}  // namespace vx
