#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "vexlo/loader.h"
#include "vexlo/logger.h"

using namespace vx;

namespace {
struct LockTest : ::testing::Test {
  void SetUp() override {
    FFLogger()->SetTriggerEventInMainThread(false);
    FFLogger()->SetLogLevel(llDebug);
    FFLogger()->SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& msg) {
      if (level <= llError) errors.push_back(msg);
    });
  }
  void TearDown() override {
    FFLogger()->SetOnLog(nullptr);
    FFLogger()->SetLogLevel(llInfo);
  }
  std::vector<std::string> errors;
};
}  // namespace

TEST_F(LockTest, FullCycleClearsTheVariable) {
  void* lock = nullptr;
  EXPECT_EQ(ff_lockmgr_cb(&lock, 0), 0);
  EXPECT_NE(lock, nullptr);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 1), 0);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 1), 0);  // the owner may take it again
  EXPECT_EQ(ff_lockmgr_cb(&lock, 2), 0);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 2), 0);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 3), 0);
  EXPECT_EQ(lock, nullptr);
  EXPECT_TRUE(errors.empty());
}

TEST_F(LockTest, ErrorsAreLoggedAndReported) {
  void* lock = nullptr;
  EXPECT_EQ(ff_lockmgr_cb(&lock, 7), -1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "[lock manager] error, invalid mutex operation 7.");
  EXPECT_EQ(ff_lockmgr_cb(&lock, 1), -1);
  EXPECT_EQ(errors.back(), "[lock manager] error, mutex not available.");
  EXPECT_EQ(ff_lockmgr_cb(&lock, 0), 0);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 0), -1);
  EXPECT_NE(errors.back().find("already exist."), std::string::npos);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 1), 0);
  int other = 0;
  std::thread([&] { other = ff_lockmgr_cb(&lock, 2); }).join();  // not the owner
  EXPECT_EQ(other, -1);
  EXPECT_NE(errors.back().find("could not release mutex"), std::string::npos);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 2), 0);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 3), 0);
}

TEST_F(LockTest, ExcludesOtherThreads) {
  void* lock = nullptr;
  ASSERT_EQ(ff_lockmgr_cb(&lock, 0), 0);
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        ff_lockmgr_cb(&lock, 1);
        const long v = counter;
        counter = v + 1;
        ff_lockmgr_cb(&lock, 2);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, 8000);
  EXPECT_EQ(ff_lockmgr_cb(&lock, 3), 0);
}
