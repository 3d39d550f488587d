#include <gtest/gtest.h>

#include <cstddef>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "test_support.h"
#include "vexlo/exceptions.h"
#include "vexlo/logger.h"
#include "vexlo/platform.h"

using namespace vx;

namespace {

void CallLog(void* avcl, int level, const char* fmt, ...) {
  va_list vl;
  va_start(vl, fmt);
  AVLogCallback(avcl, level, fmt, vl);
  va_end(vl);
}

struct TRecord {
  uint32_t ThreadID;
  TLogLevel Level;
  std::string Msg;
};

// Collects what OnLog receives, on the calling thread.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FFLogger()->SetTriggerEventInMainThread(false);
    FFLogger()->SetLogLevel(llInfo);
    FFLogger()->SetOnLog([this](const void*, uint32_t tid, TLogLevel level, const std::string& msg) {
      std::lock_guard g(FLock);
      FRecords.push_back({tid, level, msg});
    });
  }
  void TearDown() override {
    CallLog(nullptr, AV_LOG_QUIET, "%s", nullptr);  // ends pending folding
    FFLogger()->SetOnLog(nullptr);
    FFLogger()->SetLogToFile(false);
    FFLogger()->SetLogFile("");
  }
  std::vector<std::string> Messages() {
    std::lock_guard g(FLock);
    std::vector<std::string> out;
    for (auto& r : FRecords) out.push_back(r.Msg);
    return out;
  }
  std::mutex FLock;
  std::vector<TRecord> FRecords;
};

const char* FakeItemName(void*) { return "fake"; }
const char* ParentItemName(void*) { return "parent"; }

struct TFakeParent {
  const AVClass* cls;
};
struct TFakeChild {
  const AVClass* cls;
  TFakeParent* parent;
};

}  // namespace

TEST(LogLevels, Conversions) {
  const std::pair<int, TLogLevel> cases[] = {
      {-100, llQuiet}, {-8, llQuiet},    {-7, llPanic},   {0, llPanic},   {7, llPanic},
      {8, llFatal},    {15, llFatal},    {16, llError},   {23, llError},  {24, llWarning},
      {32, llInfo},    {39, llInfo},     {40, llVerbose}, {47, llVerbose}, {48, llDebug},
      {1000, llDebug},
  };
  for (auto [lib, level] : cases) EXPECT_EQ(IntToLogLevel(lib), level) << lib;
  const int ints[] = {-8, 0, 8, 16, 24, 32, 40, 48};
  for (int l = llQuiet; l <= llDebug; ++l) {
    EXPECT_EQ(LogLevelToInt(static_cast<TLogLevel>(l)), ints[l]);
    EXPECT_EQ(IntToLogLevel(ints[l]), l);
  }
  EXPECT_STREQ(LogLevelFileLabel(llWarning), "Warning");
  EXPECT_STREQ(LogLevelOptionWord(llVerbose), "verbose");
}

TEST(LogLevels, OptLogLevel) {
  TFFLogger* l = FFLogger();
  const std::pair<const char*, TLogLevel> cases[] = {
      {"Warning", llWarning}, {"24", llWarning}, {"-8", llQuiet}, {"100", llDebug},
      {"DEBUG", llDebug},     {"quiet", llQuiet}, {"33", llInfo},
  };
  for (auto [word, level] : cases) {
    l->OptLogLevel(word);
    EXPECT_EQ(l->LogLevel(), level) << word;
  }
  l->SetLogLevel(llError);
  EXPECT_THROW(l->OptLogLevel("loud"), EConvertError);
  EXPECT_EQ(l->LogLevel(), llError);
  l->SetLogLevel(llInfo);
}

TEST(LoggerCreation, OneUserLoggerReplacesTheAutoCreatedOne) {
  TFFLogger* autolog = FFLogger();
  EXPECT_TRUE(autolog->AutoCreated());
  {
    TFFLogger mine;
    EXPECT_EQ(FFLogger(), &mine);
    EXPECT_FALSE(mine.AutoCreated());
    try {
      TFFLogger second;
      FAIL() << "a second logger was allowed";
    } catch (const EAssertionFailed& e) {
      EXPECT_NE(std::string(e.what()).find("Allow creating only one instance of TFFLogger."),
                std::string::npos);
    }
    EXPECT_EQ(FFLogger(), &mine);
  }
  EXPECT_TRUE(FFLogger()->AutoCreated());
}

TEST_F(LoggerTest, FragmentsOfOneLineComeOutOnceWithTheFirstPrefix) {
  AVClass cls{};
  cls.class_name = "fake";
  cls.item_name = FakeItemName;
  cls.version = LIBAVUTIL_VERSION_INT;
  TFakeParent obj{&cls};
  CallLog(&obj, AV_LOG_INFO, "%s", "a");
  CallLog(&obj, AV_LOG_INFO, "b");
  CallLog(&obj, AV_LOG_INFO, "c%d\n", 1);
  char want[64];
  std::snprintf(want, sizeof(want), "[fake @ %p]abc1", static_cast<void*>(&obj));
  EXPECT_EQ(Messages(), std::vector<std::string>{want});
}

TEST_F(LoggerTest, ParentContextIsNamedFirst) {
  AVClass pcls{};
  pcls.class_name = "parent";
  pcls.item_name = ParentItemName;
  pcls.version = LIBAVUTIL_VERSION_INT;
  AVClass cls{};
  cls.class_name = "fake";
  cls.item_name = FakeItemName;
  cls.version = LIBAVUTIL_VERSION_INT;
  cls.parent_log_context_offset = offsetof(TFakeChild, parent);
  TFakeParent parent{&pcls};
  TFakeChild child{&cls, &parent};
  CallLog(&child, AV_LOG_INFO, "x\n");
  char want[128];
  std::snprintf(want, sizeof(want), "[parent @ %p] [fake @ %p]x", static_cast<void*>(&parent),
                static_cast<void*>(&child));
  EXPECT_EQ(Messages(), std::vector<std::string>{want});
}

TEST_F(LoggerTest, LongLibraryLinesAreNeverCut) {
  const std::string big(5000, 'z');
  CallLog(nullptr, AV_LOG_INFO, "<%s>\n", big.c_str());
  EXPECT_EQ(Messages(), std::vector<std::string>{"<" + big + ">"});
}

TEST_F(LoggerTest, RepeatedLinesFold) {
  for (int i = 0; i < 3; ++i) CallLog(nullptr, AV_LOG_INFO, "same\n");
  CallLog(nullptr, AV_LOG_INFO, "other\n");
  for (int i = 0; i < 2; ++i) CallLog(nullptr, AV_LOG_INFO, "twice\n");
  CallLog(nullptr, AV_LOG_INFO, "end\n");
  for (int i = 0; i < 4; ++i) CallLog(nullptr, AV_LOG_INFO, "tail\n");
  CallLog(nullptr, AV_LOG_QUIET, "%s", nullptr);  // the end-of-job flush
  const std::vector<std::string> want = {"same",  "    Last message repeated 2 times",
                                         "other", "twice",
                                         "end",   "tail",
                                         "    Last message repeated 3 times"};
  EXPECT_EQ(Messages(), want);
}

TEST_F(LoggerTest, LinesFromSeveralThreadsStayWhole) {
  constexpr int kThreads = 6, kLines = 200;
  std::vector<std::thread> threads;
  std::vector<uint32_t> tids(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &tids] {
      tids[t] = CurrentThreadID();
      for (int i = 0; i < kLines; ++i) {
        CallLog(nullptr, AV_LOG_INFO, "t%d-%d-", t, i);
        CallLog(nullptr, AV_LOG_INFO, "x");
        CallLog(nullptr, AV_LOG_INFO, "\n");  // the same fragment ends every thread's lines
      }
    });
  }
  for (auto& th : threads) th.join();
  std::lock_guard g(FLock);
  ASSERT_EQ(FRecords.size(), static_cast<size_t>(kThreads * kLines));
  const std::regex line("t([0-9]+)-([0-9]+)-x");
  std::vector<int> next(kThreads, 0);
  for (const TRecord& r : FRecords) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.Msg, m, line)) << r.Msg;
    const int t = std::stoi(m[1]);
    EXPECT_EQ(r.ThreadID, tids[t]);
    EXPECT_EQ(std::stoi(m[2]), next[t]++);  // each thread's lines in its own order
  }
}

TEST_F(LoggerTest, ThresholdsAreSeparate) {
  FFLogger()->SetLogLevel(llDebug);
  // The library threshold (32 until the library's level function is installed) drops a
  // verbose library message although LogLevel would pass it.
  CallLog(nullptr, AV_LOG_VERBOSE, "library verbose\n");
  FFLogger()->Log(nullptr, llVerbose, "engine verbose");
  FFLogger()->SetLogLevel(llError);
  FFLogger()->Log(nullptr, llInfo, "engine info");
  CallLog(nullptr, AV_LOG_INFO, "library info\n");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"engine verbose", "library info"}));
}

TEST_F(LoggerTest, InstalledLevelFunctionFollowsLogLevel) {
  static void (*installed)(void*, int, const char*, va_list) = nullptr;
  static int lib_level = 0;
  InstallAVLogCallback([](void (*cb)(void*, int, const char*, va_list)) { installed = cb; },
                       [](int l) { lib_level = l; });
  EXPECT_EQ(installed, &AVLogCallback);
  EXPECT_EQ(lib_level, 32);
  FFLogger()->SetLogLevel(llVerbose);
  EXPECT_EQ(lib_level, 40);
  EXPECT_EQ(GAVLogLevel(), 40);
  CallLog(nullptr, AV_LOG_VERBOSE, "now passes\n");
  UninstallAVLogCallback();
  FFLogger()->SetLogLevel(llInfo);
  EXPECT_EQ(lib_level, 40);  // no longer bound
  EXPECT_EQ(Messages(), std::vector<std::string>{"now passes"});
  EXPECT_THROW(InstallAVLogCallback(nullptr, nullptr), EAssertionFailed);
}

TEST_F(LoggerTest, FormattedMessages) {
  FFLogger()->Log(this, llWarning, "%d frames, %s", 3, "done");
  FFLogger()->Log(this, llWarning, "100% raw");  // no arguments: taken as it is
  FFLogger()->Log(this, llWarning, "%d", "bad");  // a bad format does not throw
  const auto msgs = Messages();
  ASSERT_EQ(msgs.size(), 3u);
  EXPECT_EQ(msgs[0], "3 frames, done");
  EXPECT_EQ(msgs[1], "100% raw");
  EXPECT_NE(msgs[2].find("invalid or incompatible"), std::string::npos);
}

TEST_F(LoggerTest, FileFormatAndFileSwitching) {
  vx_test::TempDir dir;
  TFFLogger* l = FFLogger();
  l->SetOnLog(nullptr);
  l->SetLogFile(dir.file("a.log"));
  l->SetLogToFile(true);
  l->Log(nullptr, llWarning, "hello");
  CallLog(nullptr, AV_LOG_ERROR, "lib %s\n", "line");
  char head[32];
  std::snprintf(head, sizeof(head), "[%.8x] ", CurrentThreadID());
  EXPECT_EQ(vx_test::ReadFile(dir.file("a.log")),
            std::string(head) + "Warning: hello\r\n" + head + "Error: lib line\r\n");
  l->SetLogFile(dir.file("a.log"));  // same name: stays open
  vx_test::WriteFile(dir.file("b.log"), "old\n");
  l->SetLogFile(dir.file("b.log"));  // another name: the next message appends there
  l->Log(nullptr, llInfo, "next");
  EXPECT_EQ(vx_test::ReadFile(dir.file("b.log")), "old\n" + std::string(head) + "Info: next\r\n");
  l->ClearLogFile();
  EXPECT_EQ(vx_test::ReadFile(dir.file("b.log")), "");
  l->Log(nullptr, llInfo, "after");
  EXPECT_EQ(vx_test::ReadFile(dir.file("b.log")), std::string(head) + "Info: after\r\n");
  l->SetLogToFile(false);
  l->ClearLogFile();  // closed: the file is deleted
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.log")));
  // An unwritable log file loses its lines without failing the caller.
  l->SetLogFile(dir.file("missing-folder/c.log"));
  l->SetLogToFile(true);
  EXPECT_NO_THROW(l->Log(nullptr, llInfo, "lost"));
}

TEST_F(LoggerTest, MainThreadDeliveryFromAWorker) {
  FFLogger()->SetTriggerEventInMainThread(true);
  std::vector<bool> on_main;
  FFLogger()->SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& msg) {
    if (msg == "from worker") on_main.push_back(IsMainThread());
  });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    FFLogger()->Log(nullptr, llInfo, "from worker");
    done = true;
  });
  for (int i = 0; i < 500 && !done; ++i) CheckSynchronize(10);
  worker.join();
  ASSERT_EQ(on_main.size(), 1u);
  EXPECT_TRUE(on_main[0]);
}
