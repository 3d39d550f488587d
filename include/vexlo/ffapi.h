// The FFmpeg interface of the library. Every FFmpeg function is called through the loader's
// entry points in namespace ff (ff::avcodec_open2, ...), never through the global symbol:
// no target links the FFmpeg libraries. Header inlines and macros that call into a library
// are provided here.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/avutil.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libpostproc/version_major.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace ff {

#define VX_FF_ENTRY(name) extern decltype(&::name) name;
#include "vexlo/ff/avcodec.inc"
#include "vexlo/ff/avdevice.inc"
#include "vexlo/ff/avfilter.inc"
#include "vexlo/ff/avformat.inc"
#include "vexlo/ff/avutil.inc"
#include "vexlo/ff/swresample.inc"
#include "vexlo/ff/swscale.inc"
#undef VX_FF_ENTRY

// av_err2str: the text of an FFmpeg error code.
std::string err2str(int errnum);
// avio_tell: the current position of an I/O context.
int64_t avio_tell(AVIOContext* s);

}  // namespace ff
