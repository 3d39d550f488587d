// A worker that hands log lines to the main thread must never dead-lock against a main thread
// that logs and calls into the libraries itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "test_support.h"
#include "vexlo/ffapi.h"
#include "vexlo/loader.h"
#include "vexlo/logger.h"
#include "vexlo/platform.h"
#include "vexlo/unicode_filename.h"

using namespace vx;

TEST(LogHandover, WorkerAndMainThreadBothLogWithoutDeadlock) {
  ASSERT_TRUE(FFLoader.Load(CDecoderLibraries)) << FFLoader.LastErrMsg();
  vx_test::TempDir dir;
  const std::string junk = dir.file("junk.mp4");
  vx_test::WriteFile(junk, std::string(4096, '\x42'));

  FFLogger()->SetTriggerEventInMainThread(true);
  FFLogger()->SetLogLevel(llDebug);  // the demuxers talk a lot at this level
  std::atomic<int> delivered{0};
  std::atomic<int> off_main{0};
  FFLogger()->SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string&) {
    ++delivered;
    if (!IsMainThread()) ++off_main;
  });

  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 600 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!finished) {
      std::fprintf(stderr, "dead-lock: log hand-over did not finish within 60 s\n");
      ::_exit(3);
    }
  });

  std::atomic<bool> worker_done{false};
  std::thread worker([&] {
    for (int i = 0; i < 300; ++i) {
      ff::av_log(nullptr, AV_LOG_INFO, "worker line %d\n", i);
      FFLogger()->Log(nullptr, llInfo, "worker engine line %d", i);
    }
    worker_done = true;
  });
  int opens = 0;
  while (!worker_done) {
    FFLogger()->Log(nullptr, llInfo, "main line");
    AVFormatContext* ic = nullptr;
    if (ff::avformat_open_input(&ic, ffmpeg_filename(junk), nullptr, nullptr) >= 0)
      ff::avformat_close_input(&ic);
    ++opens;
    CheckSynchronize(1);
  }
  worker.join();
  while (CheckSynchronize(0)) {
  }
  finished = true;
  watchdog.join();

  FFLogger()->SetOnLog(nullptr);
  FFLogger()->SetLogLevel(llInfo);
  FFLoader.Unload(CDecoderLibraries);
  EXPECT_GT(opens, 0);
  EXPECT_GE(delivered.load(), 600);
  EXPECT_EQ(off_main.load(), 0);
}
