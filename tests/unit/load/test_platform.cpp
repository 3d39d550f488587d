#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "test_support.h"
#include "vexlo/exceptions.h"
#include "vexlo/platform.h"

using namespace vx;

namespace {
// Pumps the main-thread queue until the condition holds or about 5 s have passed.
template <class F>
bool PumpUntil(F done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    CheckSynchronize(10);
  }
  return done();
}
}  // namespace

TEST(MainQueue, WorkerCallRunsOnTheMainThreadAndWaits) {
  ASSERT_TRUE(IsMainThread());
  std::atomic<int> state{0};
  bool ran_on_main = false;
  std::thread worker([&] {
    MySynchronize([&] { ran_on_main = IsMainThread(); });
    state = 1;  // only after the call has run
    try {
      MySynchronize([] { throw Exception("from main"); });
    } catch (const Exception& e) {
      state = std::string(e.what()) == "from main" ? 2 : -1;
    }
  });
  EXPECT_TRUE(PumpUntil([&] { return state == 2; }));
  worker.join();
  EXPECT_TRUE(ran_on_main);
}

TEST(MainQueue, OnTheMainThreadTheCallRunsDirectly) {
  int runs = 0;
  MySynchronize([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(PendingSynchronizeCount(), 0u);
}

TEST(MainQueue, PostedCallsRunWhenPumpedAndWakeTheDispatcher) {
  std::atomic<int> wakeups{0};
  SetSynchronizeWakeup([&] { ++wakeups; });
  int runs = 0;
  std::thread([&] { MyPostToMainThread([&] { ++runs; }); }).join();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(wakeups, 1);
  EXPECT_EQ(PendingSynchronizeCount(), 1u);
  MyProcessMessages();
  EXPECT_EQ(runs, 1);
  SetSynchronizeWakeup(nullptr);
  EXPECT_FALSE(CheckSynchronize(1));
}

TEST(MainQueue, OffTheMainThreadCheckSynchronizeRunsNothing) {
  MyPostToMainThread([] {});
  bool result = true;
  std::thread([&] { result = CheckSynchronize(0); }).join();
  EXPECT_FALSE(result);
  EXPECT_TRUE(CheckSynchronize(0));
}

TEST(Event, ManualReset) {
  TEvent e;
  EXPECT_EQ(e.WaitFor(10), TWaitResult::wrTimeout);
  std::thread([&] { e.SetEvent(); }).join();
  EXPECT_EQ(e.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(e.WaitFor(), TWaitResult::wrSignaled);  // stays set
  e.ResetEvent();
  EXPECT_EQ(e.WaitFor(0), TWaitResult::wrTimeout);
}

TEST(Thread, CreatedSuspendedRunsOnlyAfterResume) {
  std::atomic<bool> ran{false};
  auto t = TMyThread::Create([&](TMyThread&) { ran = true; }, true);
  EXPECT_TRUE(t->Suspended());
  EXPECT_FALSE(t->WaitFor(10));
  EXPECT_FALSE(ran);
  t->Resume();
  EXPECT_TRUE(t->WaitFor(5000));
  EXPECT_TRUE(ran);
}

TEST(Thread, PauseHoldsTheWorkerAtItsCheckPoint) {
  std::atomic<int> count{0};
  std::atomic<int> waited{0};
  auto t = TMyThread::Create(
      [&](TMyThread& self) {
        while (!self.Terminated()) {
          if (TMyThread::CheckPoint()) ++waited;
          ++count;
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      },
      false);
  while (count < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  t->Suspend();
  EXPECT_TRUE(t->Suspended());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int held = count;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_LE(count - held, 1);  // at most the step that was under way
  t->Resume();
  while (count < held + 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(waited, 1);
  EXPECT_GE(t->PausedMicroseconds(), 50000);
  // A stop reaches a paused worker.
  t->Suspend();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  t->Terminate();
  EXPECT_TRUE(t->WaitFor(5000));
  EXPECT_TRUE(t->Finished());
}

TEST(Thread, PriorityAndEscapedExceptions) {
  EXPECT_EQ(PriorityToNice(tpIdle), 19);
  EXPECT_EQ(PriorityToNice(tpLower), 5);
  EXPECT_EQ(PriorityToNice(tpHighest), -10);
  auto t = TMyThread::Create([](TMyThread&) { throw Exception("boom"); }, false, tpLower);
  ASSERT_TRUE(t->WaitFor(5000));
  EXPECT_EQ(t->EffectiveNice(), 5);
  EXPECT_EQ(t->EscapedException(), "boom");
  EXPECT_FALSE(TMyThread::CheckPoint());  // not a worker: no-op
}

TEST(Files, GetFileSize) {
  vx_test::TempDir dir;
  vx_test::WriteFile(dir.file("f.bin"), std::string(1234, 'x'));
  EXPECT_EQ(GetFileSize(dir.file("f.bin")), 1234);
  EXPECT_EQ(GetFileSize(dir.file("none")), -1);
  EXPECT_EQ(GetFileSize(dir.path()), -1);
  EXPECT_EQ(GetFileSize(""), -1);
}

TEST(Files, Fetch) {
  struct Case {
    std::string input, delim;
    bool del;
    std::string result, rest;
  };
  const Case cases[] = {
      {"a,b,c", ",", true, "a", "b,c"},     {"a,b,c", ",", false, "a", "a,b,c"},
      {"abc", ",", true, "abc", ""},        {"abc", ",", false, "abc", "abc"},
      {"k::v", "::", true, "k", "v"},       {",x", ",", true, "", "x"},
      {"abc", "", true, "abc", ""},
  };
  for (const Case& c : cases) {
    std::string in = c.input;
    EXPECT_EQ(Fetch(in, c.delim, c.del), c.result) << c.input;
    EXPECT_EQ(in, c.rest) << c.input;
  }
}
