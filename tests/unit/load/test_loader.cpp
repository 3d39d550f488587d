#include <gtest/gtest.h>

#include "test_support.h"
#include "vexlo/exceptions.h"
#include "vexlo/ffapi.h"
#include "vexlo/loader.h"
#include "vexlo/logger.h"

using namespace vx;

namespace {

const std::string kStandins = VX_STANDIN_ROOT;

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { FFLoader.SetLibraryPath(""); }
  void TearDown() override {
    FFLoader.Unload(CAllLibraries);
    FFLoader.SetLibraryPath("");
    for (int i = 0; i < CLibraryCount; ++i) FFLoader.SetLibraryName(static_cast<TLibrary>(i), "");
  }
  static std::string CheckMessage(TLibraries libs) {
    try {
      FFLoader.CheckLibAV(libs);
    } catch (const Exception& e) {
      return e.what();
    }
    return "";
  }
};

}  // namespace

TEST_F(LoaderTest, SystemLibrariesLoadWithEveryTableBound) {
  ASSERT_TRUE(FFLoader.Load(CAllLibraries)) << FFLoader.LastErrMsg();
  EXPECT_TRUE(FFLoader.Loaded(CAllLibraries));
  for (int i = 0; i < CLibraryCount; ++i) {
    const auto lib = static_cast<TLibrary>(i);
    EXPECT_TRUE(FFLoader.UnboundEntries(lib).empty()) << LibraryItem(lib).Name;
    if (!LibraryItem(lib).SysLib) {
      EXPECT_EQ(static_cast<int>(AV_VERSION_MAJOR(FFLoader.RuntimeVersion(lib))), LibraryItem(lib).Version);
    }
  }
  EXPECT_NO_THROW(FFLoader.CheckLibAV(CAllLibraries));
  EXPECT_NE(ff::avcodec_find_encoder_by_name("mpeg4"), nullptr);
  EXPECT_EQ(ff::err2str(AVERROR(EINVAL)), "Invalid argument");
}

TEST_F(LoaderTest, FileNamesFollowTheBuildMajors) {
  EXPECT_EQ(FFLoader.LibraryName(avCodec), "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_EQ(FFLoader.LibraryName(avFilter), "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR));
  EXPECT_EQ(FFLoader.LibraryName(myUtil), "libc.so.6");
  FFLoader.SetLibraryName(avCodec, "/opt/x/libavcodec.so.59");
  EXPECT_EQ(FFLoader.LibraryName(avCodec), "/opt/x/libavcodec.so.59");
  EXPECT_TRUE(FFLoader.Loaded(myUtil));  // the C library is always there
}

TEST_F(LoaderTest, DecoderSetLeavesDeviceAndFilterUnloaded) {
  ASSERT_TRUE(FFLoader.Load(CDecoderLibraries)) << FFLoader.LastErrMsg();
  EXPECT_FALSE(FFLoader.Loaded(avDevice));
  EXPECT_FALSE(FFLoader.Loaded(avFilter));
  EXPECT_FALSE(FFLoader.Loaded(CEncoderLibraries));
  ASSERT_TRUE(FFLoader.Load(CEncoderLibraries)) << FFLoader.LastErrMsg();
  EXPECT_TRUE(FFLoader.Loaded(CEncoderLibraries));
}

TEST_F(LoaderTest, UnloadClearsTheTableAndReloadBindsAgain) {
  ASSERT_TRUE(FFLoader.Load(CDecoderLibraries));
  FFLoader.Unload(avCodec);
  EXPECT_FALSE(FFLoader.Loaded(avCodec));
  EXPECT_EQ(ff::avcodec_find_encoder_by_name, nullptr);
  EXPECT_EQ(FFLoader.UnboundEntries(avCodec).size(), FFLoader.EntryNames(avCodec).size());
  EXPECT_EQ(CheckMessage(CDecoderLibraries), "Library avcodec not loaded.");
  ASSERT_TRUE(FFLoader.Load(avCodec)) << FFLoader.LastErrMsg();
  EXPECT_NE(ff::avcodec_find_encoder_by_name("mpeg4"), nullptr);
  EXPECT_EQ(CheckMessage(CDecoderLibraries), "");
}

TEST_F(LoaderTest, CheckLibAVNamesTheFirstMissingLibrary) {
  ASSERT_TRUE(FFLoader.Load(avUtil));
  EXPECT_EQ(CheckMessage(CDecoderLibraries), "Library avcodec not loaded.");
  ASSERT_TRUE(FFLoader.Load(avCodec));
  EXPECT_EQ(CheckMessage(CDecoderLibraries), "Library avformat not loaded.");
  EXPECT_EQ(CheckMessage({avUtil, myUtil}), "");
}

TEST_F(LoaderTest, LibraryMissingOneSymbolStaysUnloaded) {
  FFLoader.SetLibraryPath(kStandins + "/missing/LibAV");
  EXPECT_FALSE(FFLoader.Load(avCodec));
  const std::string want = std::string("Load function ") + VX_STANDIN_OMITTED + "@libavcodec.so." +
                           std::to_string(LIBAVCODEC_VERSION_MAJOR) + " error: ";
  EXPECT_EQ(FFLoader.LastErrMsg().substr(0, want.size()), want) << FFLoader.LastErrMsg();
  EXPECT_FALSE(FFLoader.Loaded(avCodec));
  EXPECT_EQ(FFLoader.UnboundEntries(avCodec).size(), FFLoader.EntryNames(avCodec).size());
  EXPECT_EQ(FFLoader.LoadedFrom(avCodec), "");
}

TEST_F(LoaderTest, FailedSetUnloadsWhatWasLoadedBefore) {
  ASSERT_TRUE(FFLoader.Load(avUtil));
  FFLoader.SetLibraryPath(kStandins + "/missing/LibAV");
  EXPECT_FALSE(FFLoader.Load(CDecoderLibraries));
  EXPECT_NE(FFLoader.LastErrMsg().find("Load function"), std::string::npos);
  EXPECT_FALSE(FFLoader.Loaded(avUtil));
  EXPECT_FALSE(FFLoader.Loaded(avCodec));
}

TEST_F(LoaderTest, WrongMajorVersionIsRefusedBeforeBinding) {
  FFLoader.SetLibraryPath(kStandins + "/oldmajor/LibAV");
  EXPECT_FALSE(FFLoader.Load(avCodec));
  const std::string msg = FFLoader.LastErrMsg();
  const std::string file = kStandins + "/oldmajor/LibAV/libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR);
  EXPECT_EQ(msg.find("Load library " + file + " error: run-time version " +
                     std::to_string(LIBAVCODEC_VERSION_MAJOR - 1) + ".0.0"),
            0u)
      << msg;
  EXPECT_NE(msg.find("major version " + std::to_string(LIBAVCODEC_VERSION_MAJOR)), std::string::npos);
  EXPECT_EQ(ff::avcodec_find_encoder, nullptr);
}

TEST_F(LoaderTest, LibraryFolderIsPreferredAndMissingFilesFallBack) {
  const std::string folder = kStandins + "/full/LibAV";
  FFLoader.SetLibraryPath(folder);
  ASSERT_TRUE(FFLoader.Load(avCodec)) << FFLoader.LastErrMsg();
  EXPECT_EQ(FFLoader.LoadedFrom(avCodec), folder + "/" + FFLoader.LibraryName(avCodec));
  EXPECT_EQ(FFLoader.RuntimeVersion(avCodec), AV_VERSION_INT(LIBAVCODEC_VERSION_MAJOR, 0, 0));
  // avutil is not in the folder: the system's search finds it.
  ASSERT_TRUE(FFLoader.Load(avUtil)) << FFLoader.LastErrMsg();
  EXPECT_EQ(FFLoader.LoadedFrom(avUtil).find(folder), std::string::npos);
}

TEST_F(LoaderTest, OverrideNameWithFolderIgnoresLibraryPath) {
  vx_test::TempDir elsewhere;
  FFLoader.SetLibraryPath(elsewhere.path());
  const std::string file = kStandins + "/full/LibAV/libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR);
  FFLoader.SetLibraryName(avCodec, file);
  ASSERT_TRUE(FFLoader.Load(avCodec)) << FFLoader.LastErrMsg();
  EXPECT_EQ(FFLoader.LoadedFrom(avCodec), file);
  FFLoader.SetLibraryName(avCodec, "");  // unloads first
  EXPECT_FALSE(FFLoader.Loaded(avCodec));
}

TEST_F(LoaderTest, LibraryThatCannotBeFoundFailsWithTheSystemText) {
  FFLoader.SetLibraryName(avCodec, "libvx-no-such-library.so.1");
  EXPECT_FALSE(FFLoader.Load(avCodec));
  EXPECT_EQ(FFLoader.LastErrMsg().find("Load library libvx-no-such-library.so.1 error: "), 0u)
      << FFLoader.LastErrMsg();
  EXPECT_NE(FFLoader.LastErrMsg().find("No such file"), std::string::npos);
}

TEST_F(LoaderTest, EmptySetIsAPreconditionFailure) {
  EXPECT_THROW(FFLoader.Load(TLibraries{}), EAssertionFailed);
  EXPECT_THROW(FFLoader.Unload(TLibraries{}), EAssertionFailed);
}

TEST_F(LoaderTest, LoadingTheUtilityLibraryInstallsTheLogCallback) {
  std::vector<std::pair<TLogLevel, std::string>> got;
  FFLogger()->SetTriggerEventInMainThread(false);
  FFLogger()->SetOnLog([&](const void*, uint32_t, TLogLevel level, const std::string& msg) {
    got.emplace_back(level, msg);
  });
  ASSERT_TRUE(FFLoader.Load(avUtil));
  ff::av_log(nullptr, AV_LOG_ERROR, "hello %d\n", 5);
  FFLogger()->SetLogLevel(llDebug);
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_DEBUG);
  FFLogger()->SetLogLevel(llInfo);
  FFLogger()->SetOnLog(nullptr);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, llError);
  EXPECT_EQ(got[0].second, "hello 5");
}

TEST_F(LoaderTest, AfterLoadRoutinesRunOnEveryLoad) {
  int runs = 0;
  FFLoader.AddAfterLoad(avFilter, [&] { ++runs; });
  ASSERT_TRUE(FFLoader.Load(avFilter));
  ASSERT_TRUE(FFLoader.Load(avFilter));  // already loaded: the steps run again
  EXPECT_EQ(runs, 2);
}
