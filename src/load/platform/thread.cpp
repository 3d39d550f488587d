// Worker threads with priorities and cooperative pause.
#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "vexlo/platform.h"

namespace vx {

namespace {
thread_local TMyThread* GCurrentThread = nullptr;
}

int PriorityToNice(TThreadPriority priority) {
  switch (priority) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -15;
  }
  return 0;
}

TMyThread::TMyThread(TBody body, TThreadPriority priority)
    : FBody(std::move(body)), FPriority(priority) {}

TMyThread::~TMyThread() = default;

std::shared_ptr<TMyThread> TMyThread::Create(TBody body, bool create_suspended,
                                             TThreadPriority priority) {
  std::shared_ptr<TMyThread> t(new TMyThread(std::move(body), priority));
  if (!create_suspended) {
    std::lock_guard g(t->FLock);
    t->StartLocked();
  }
  return t;
}

void TMyThread::StartLocked() {
  FStarted = true;
  // The running thread holds the object until its body has returned.
  std::thread([self = shared_from_this()] { self->Run(); }).detach();
}

void TMyThread::Run() {
  GCurrentThread = this;
  FThreadID = CurrentThreadID();
  const int nice = PriorityToNice(FPriority);
  if (nice != 0 && ::setpriority(PRIO_PROCESS, FThreadID.load(), nice) == 0)
    FEffectiveNice = nice;
  try {
    if (FBody) FBody(*this);
  } catch (const std::exception& e) {
    std::lock_guard g(FLock);
    FEscaped = e.what();
  } catch (...) {
    std::lock_guard g(FLock);
    FEscaped = "unknown exception";
  }
  GCurrentThread = nullptr;
  FDone.SetEvent();
}

void TMyThread::Resume() {
  {
    std::lock_guard g(FLock);
    if (!FStarted) {
      StartLocked();
      return;
    }
    FPaused = false;
  }
  FCond.notify_all();
}

void TMyThread::Suspend() {
  std::lock_guard g(FLock);
  if (FStarted && !FDone.IsSet()) FPaused = true;
}

bool TMyThread::Suspended() const {
  std::lock_guard g(FLock);
  return !FStarted || FPaused;
}

void TMyThread::Terminate() {
  FTerminated = true;
  FCond.notify_all();
}

bool TMyThread::WaitFor(int timeout_ms) {
  {
    std::lock_guard g(FLock);
    if (!FStarted) return false;
  }
  return FDone.WaitFor(timeout_ms) == TWaitResult::wrSignaled;
}

std::string TMyThread::EscapedException() const {
  std::lock_guard g(FLock);
  return FEscaped;
}

TMyThread* TMyThread::Current() { return GCurrentThread; }

bool TMyThread::CheckPoint() {
  TMyThread* t = GCurrentThread;
  if (!t) return false;
  std::unique_lock g(t->FLock);
  if (!t->FPaused || t->FTerminated) return false;
  const auto start = std::chrono::steady_clock::now();
  t->FCond.wait(g, [&] { return !t->FPaused || t->FTerminated.load(); });
  t->FPausedUs += std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  return true;
}

}  // namespace vx
