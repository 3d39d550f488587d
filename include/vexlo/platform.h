// Platform layer: the main-thread call queue, events, worker threads, small file utilities.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vx {

using TThreadMethod = std::function<void()>;

// --- Main-thread call queue -------------------------------------------------------------

// The process's initial thread is the main thread.
bool IsMainThread();
// The kernel's identifier of the calling thread.
uint32_t CurrentThreadID();

// When false, MySynchronize runs calls on the calling thread (set for programs without a
// main-thread pump).
extern std::atomic<bool> GEnabledSynchronize;

// On a worker thread: queues the call to the main thread and blocks until it has run; an
// exception raised by the call is raised again in the caller. On the main thread (or with
// GEnabledSynchronize false): runs the call directly.
void MySynchronize(const TThreadMethod& method);
// Queues a call to the main thread and returns at once (a posted message).
void MyPostToMainThread(TThreadMethod method);
// On the main thread: runs every queued call; waits up to timeout_ms for the first one when
// none is queued. Returns true when at least one call ran. Off the main thread: false.
bool CheckSynchronize(int timeout_ms = 0);
// Runs the pending main-thread calls (the counterpart of a message pump).
void MyProcessMessages();
// A GUI installs a wake-up that schedules CheckSynchronize on its event loop; it is called
// (from any thread) whenever a call is queued.
void SetSynchronizeWakeup(std::function<void()> wakeup);
// Number of calls waiting in the queue.
size_t PendingSynchronizeCount();

// --- Manual-reset event ------------------------------------------------------------------

enum class TWaitResult { wrSignaled, wrTimeout };

class TEvent {
 public:
  explicit TEvent(bool initial_state = false) : FSignaled(initial_state) {}
  void SetEvent();
  void ResetEvent();
  bool IsSet() const;
  // timeout_ms < 0 waits without limit.
  TWaitResult WaitFor(int timeout_ms = -1);

 private:
  mutable std::mutex FLock;
  std::condition_variable FCond;
  bool FSignaled;  // guarded by FLock
};

// --- Worker threads ----------------------------------------------------------------------

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Nice value of a priority (idle +19, lowest +10, lower +5, normal 0, higher -5, highest
// -10, time-critical -15).
int PriorityToNice(TThreadPriority priority);

// A worker thread created suspended or running, with a priority and cooperative pause.
// The object is shared by its controller and the running thread, so it stays valid while
// either holds it ("frees itself" when both are done). Pausing is cooperative: the worker
// blocks at its next CheckPoint() until resumed or terminated.
class TMyThread : public std::enable_shared_from_this<TMyThread> {
 public:
  using TBody = std::function<void(TMyThread&)>;

  static std::shared_ptr<TMyThread> Create(TBody body, bool create_suspended,
                                           TThreadPriority priority = tpNormal);
  ~TMyThread();

  // Starts a thread created suspended, or lets a paused one go on.
  void Resume();
  // Asks the worker to pause at its next check point.
  void Suspend();
  // Not started yet, or paused.
  bool Suspended() const;
  // Sets the terminated flag and wakes a paused worker.
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }
  bool Finished() const { return FDone.IsSet(); }
  // Waits until the body has returned; timeout_ms < 0 waits without limit. A thread that was
  // never started counts as not finished.
  bool WaitFor(int timeout_ms = -1);
  TThreadPriority Priority() const { return FPriority; }
  // The nice value in force on the thread (0 when a raise was refused).
  int EffectiveNice() const { return FEffectiveNice.load(); }
  uint32_t ThreadID() const { return FThreadID.load(); }
  // Message of an exception that escaped the body (the thread catches it), empty otherwise.
  std::string EscapedException() const;
  // Total time spent paused at check points, in microseconds.
  int64_t PausedMicroseconds() const { return FPausedUs.load(); }

  // The TMyThread running the calling thread, or nullptr.
  static TMyThread* Current();
  // Called by a worker at its check points: blocks while its thread is paused and not
  // terminated. Returns true when it waited (callers re-arm their clocks). No-op elsewhere.
  static bool CheckPoint();

 private:
  TMyThread(TBody body, TThreadPriority priority);
  void Run();
  void StartLocked();

  TBody FBody;
  TThreadPriority FPriority;
  mutable std::mutex FLock;
  std::condition_variable FCond;
  bool FStarted = false;  // guarded by FLock
  bool FPaused = false;   // guarded by FLock
  std::string FEscaped;   // guarded by FLock
  std::atomic<bool> FTerminated{false};
  std::atomic<int> FEffectiveNice{0};
  std::atomic<uint32_t> FThreadID{0};
  std::atomic<int64_t> FPausedUs{0};
  TEvent FDone;
};

// --- Files and texts ---------------------------------------------------------------------

// Size in bytes of an existing regular file, -1 when it does not exist or cannot be examined.
int64_t GetFileSize(const std::string& file_name);
// Text before the first occurrence of the delimiter (the whole input when it does not occur);
// with do_delete, that text and the delimiter are removed from the input.
std::string Fetch(std::string& input, const std::string& delimiter, bool do_delete = true);
// Directory of the running program, with a final "/".
std::string ProgramFolder();

}  // namespace vx
