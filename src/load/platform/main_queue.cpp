// The main-thread call queue.
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <exception>

#include "vexlo/platform.h"

namespace vx {

std::atomic<bool> GEnabledSynchronize{true};

uint32_t CurrentThreadID() {
  thread_local const uint32_t tid = static_cast<uint32_t>(::syscall(SYS_gettid));
  return tid;
}

// Asked for every delivered log line: uses the cached identifier, no system call.
bool IsMainThread() { return CurrentThreadID() == static_cast<uint32_t>(::getpid()); }

namespace {

// One queued call. A synchronous call is waited for by its caller.
struct TQueuedCall {
  TThreadMethod Method;
  bool Synchronous = false;
  bool Done = false;            // guarded by the queue lock
  std::exception_ptr Error;     // guarded by the queue lock
};

struct TMainQueue {
  std::mutex Lock;
  std::condition_variable Queued;   // a call was queued
  std::condition_variable Ran;      // a synchronous call has run
  std::deque<std::shared_ptr<TQueuedCall>> Calls;  // guarded by Lock
  std::function<void()> Wakeup;                    // guarded by Lock
};

TMainQueue& Queue() {
  static TMainQueue* q = new TMainQueue;  // lives to the very end of the process
  return *q;
}

void Enqueue(const std::shared_ptr<TQueuedCall>& call) {
  TMainQueue& q = Queue();
  std::function<void()> wakeup;
  {
    std::lock_guard g(q.Lock);
    q.Calls.push_back(call);
    wakeup = q.Wakeup;
  }
  q.Queued.notify_all();
  if (wakeup) wakeup();
}

}  // namespace

void MySynchronize(const TThreadMethod& method) {
  if (!method) return;
  if (IsMainThread() || !GEnabledSynchronize.load()) {
    method();
    return;
  }
  auto call = std::make_shared<TQueuedCall>();
  call->Method = method;
  call->Synchronous = true;
  Enqueue(call);
  TMainQueue& q = Queue();
  std::unique_lock g(q.Lock);
  q.Ran.wait(g, [&] { return call->Done; });
  if (call->Error) std::rethrow_exception(call->Error);
}

void MyPostToMainThread(TThreadMethod method) {
  if (!method) return;
  auto call = std::make_shared<TQueuedCall>();
  call->Method = std::move(method);
  Enqueue(call);
}

bool CheckSynchronize(int timeout_ms) {
  if (!IsMainThread()) return false;
  TMainQueue& q = Queue();
  bool ran = false;
  std::unique_lock g(q.Lock);
  if (q.Calls.empty() && timeout_ms > 0)
    q.Queued.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return !q.Calls.empty(); });
  // Calls queued while these run (also by the calls themselves) run in this pass too.
  while (!q.Calls.empty()) {
    std::shared_ptr<TQueuedCall> call = q.Calls.front();
    q.Calls.pop_front();
    g.unlock();
    std::exception_ptr error;
    try {
      call->Method();
    } catch (...) {
      error = std::current_exception();
    }
    ran = true;
    g.lock();
    if (call->Synchronous) {
      call->Error = error;
      call->Done = true;
      q.Ran.notify_all();
    }
    // An exception of a posted call has nobody to go to; it is dropped here.
  }
  return ran;
}

void MyProcessMessages() { CheckSynchronize(0); }

void SetSynchronizeWakeup(std::function<void()> wakeup) {
  std::lock_guard g(Queue().Lock);
  Queue().Wakeup = std::move(wakeup);
}

size_t PendingSynchronizeCount() {
  std::lock_guard g(Queue().Lock);
  return Queue().Calls.size();
}

}  // namespace vx
