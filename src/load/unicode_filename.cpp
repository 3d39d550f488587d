// File names to and from the FFmpeg libraries.
#include "vexlo/unicode_filename.h"

#include <cstring>

#include "vexlo/exceptions.h"

namespace vx {

const char* ffmpeg_filename(const TPathFileName& AFileName) {
  // One buffer per thread: a name stays valid until this thread converts the next one.
  thread_local char buffer[CMaxFFmpegFileName + 1];
  if (AFileName.size() > CMaxFFmpegFileName)
    throw Exception("File name too long (" + std::to_string(AFileName.size()) +
                    " bytes, at most " + std::to_string(CMaxFFmpegFileName) + "): " +
                    AFileName.substr(0, 64) + "...");
  if (AFileName.find('\0') != std::string::npos)
    throw Exception("File name holds a zero byte: " + std::string(AFileName.c_str()));
  std::memset(buffer, 0, sizeof(buffer));
  std::memcpy(buffer, AFileName.data(), AFileName.size());
  return buffer;
}

TPathFileName unicode_filename(const char* AFileName) { return AFileName ? AFileName : ""; }

void register_unicode_protocol() {}

}  // namespace vx
