// Manual-reset event.
#include <chrono>

#include "vexlo/platform.h"

namespace vx {

void TEvent::SetEvent() {
  {
    std::lock_guard g(FLock);
    FSignaled = true;
  }
  FCond.notify_all();
}

void TEvent::ResetEvent() {
  std::lock_guard g(FLock);
  FSignaled = false;
}

bool TEvent::IsSet() const {
  std::lock_guard g(FLock);
  return FSignaled;
}

TWaitResult TEvent::WaitFor(int timeout_ms) {
  std::unique_lock g(FLock);
  if (timeout_ms < 0) {
    FCond.wait(g, [&] { return FSignaled; });
    return TWaitResult::wrSignaled;
  }
  return FCond.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return FSignaled; })
             ? TWaitResult::wrSignaled
             : TWaitResult::wrTimeout;
}

}  // namespace vx
