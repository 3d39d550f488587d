// File names between the application and the FFmpeg libraries. Names are UTF-8 text in the
// library; the libraries take and give back UTF-8 names.
#pragma once

#include <string>

namespace vx {

using TPathFileName = std::string;

// Largest name (in bytes, without the terminator) ffmpeg_filename accepts.
constexpr size_t CMaxFFmpegFileName = 2047;

// The zero-terminated UTF-8 form of a name, in a 2048-byte buffer of the calling thread that
// the next call overwrites (zero-filled first). Raises Exception for a name of 2048 bytes or
// more and for a name holding a zero byte.
const char* ffmpeg_filename(const TPathFileName& AFileName);
// The name a library hands back (zero-terminated UTF-8); nullptr gives an empty name.
TPathFileName unicode_filename(const char* AFileName);
// Adds no protocol: the libraries' own file protocol takes UTF-8 names.
void register_unicode_protocol();

}  // namespace vx
