#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"
#include "vexlo/exceptions.h"
#include "vexlo/ffapi.h"
#include "vexlo/loader.h"
#include "vexlo/unicode_filename.h"

using namespace vx;

TEST(UnicodeFileName, CyrillicAndCjkNamesReachTheLibrariesAndComeBack) {
  ASSERT_TRUE(FFLoader.Load(CDecoderLibraries)) << FFLoader.LastErrMsg();
  vx_test::TempDir dir;
  for (const std::string name : {"видео файл.bin", "视频 ファイル.bin", "mixed Ж中 'q'.bin"}) {
    const std::string path = dir.file(name);
    vx_test::WriteFile(path, "0123456789");
    const char* utf8 = ffmpeg_filename(path);
    EXPECT_EQ(std::string(utf8), path);
    EXPECT_EQ(unicode_filename(utf8), path);
    AVIOContext* io = nullptr;
    ASSERT_GE(ff::avio_open2(&io, ffmpeg_filename(path), AVIO_FLAG_READ, nullptr, nullptr), 0) << name;
    EXPECT_EQ(ff::avio_size(io), 10);
    ff::avio_closep(&io);
  }
  FFLoader.Unload(CDecoderLibraries);
}

TEST(UnicodeFileName, ShortNameAfterLongLeavesNothingBehind) {
  const char* buf = ffmpeg_filename(std::string(2000, 'a'));
  ffmpeg_filename("b");
  EXPECT_STREQ(buf, "b");
  for (size_t i = 1; i <= CMaxFFmpegFileName; ++i) ASSERT_EQ(buf[i], '\0') << i;
  EXPECT_STREQ(ffmpeg_filename(""), "");
}

TEST(UnicodeFileName, OverlongAndZeroByteNamesAreRefused) {
  EXPECT_NO_THROW(ffmpeg_filename(std::string(CMaxFFmpegFileName, 'x')));
  EXPECT_THROW(ffmpeg_filename(std::string(CMaxFFmpegFileName + 1, 'x')), Exception);
  // 700 three-byte characters: 2100 bytes although only 700 characters.
  std::string cjk;
  for (int i = 0; i < 700; ++i) cjk += "中";
  try {
    ffmpeg_filename(cjk);
    FAIL() << "an over-long name was accepted";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("File name too long (2100 bytes"), std::string::npos);
  }
  EXPECT_THROW(ffmpeg_filename(std::string("a\0b", 3)), Exception);
  EXPECT_EQ(unicode_filename(nullptr), "");
}
