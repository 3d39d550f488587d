// The entry points in namespace ff and the tables that bind them.
#include "entries.h"

#include <cstdio>

#include "vexlo/ffapi.h"

namespace ff {

#define VX_FF_ENTRY(name) decltype(&::name) name = nullptr;
#include "vexlo/ff/avcodec.inc"
#include "vexlo/ff/avdevice.inc"
#include "vexlo/ff/avfilter.inc"
#include "vexlo/ff/avformat.inc"
#include "vexlo/ff/avutil.inc"
#include "vexlo/ff/swresample.inc"
#include "vexlo/ff/swscale.inc"
#undef VX_FF_ENTRY

std::string err2str(int errnum) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
  if (!av_strerror || av_strerror(errnum, buf, sizeof(buf)) < 0)
    std::snprintf(buf, sizeof(buf), "Error number %d occurred", errnum);
  return buf;
}

int64_t avio_tell(AVIOContext* s) { return avio_seek(s, 0, SEEK_CUR); }

}  // namespace ff

namespace vx {

#define VX_FF_ENTRY(name)                                                           \
  {#name, [](void* p) { ff::name = reinterpret_cast<decltype(ff::name)>(p); },      \
   [] { return ff::name != nullptr; }},

namespace {
const TEntry CAVCodec[] = {
#include "vexlo/ff/avcodec.inc"
};
const TEntry CAVDevice[] = {
#include "vexlo/ff/avdevice.inc"
};
const TEntry CAVFilter[] = {
#include "vexlo/ff/avfilter.inc"
};
const TEntry CAVFormat[] = {
#include "vexlo/ff/avformat.inc"
};
const TEntry CAVUtil[] = {
#include "vexlo/ff/avutil.inc"
};
const TEntry CSwResample[] = {
#include "vexlo/ff/swresample.inc"
};
const TEntry CSwScale[] = {
#include "vexlo/ff/swscale.inc"
};
}  // namespace
#undef VX_FF_ENTRY

#define VX_TABLE(arr) {arr, sizeof(arr) / sizeof(arr[0])}
const TEntryTable AVCodecStubs = VX_TABLE(CAVCodec);
const TEntryTable AVDeviceStubs = VX_TABLE(CAVDevice);
const TEntryTable AVFilterStubs = VX_TABLE(CAVFilter);
const TEntryTable AVFormatStubs = VX_TABLE(CAVFormat);
const TEntryTable AVUtilStubs = VX_TABLE(CAVUtil);
const TEntryTable SwResampleStubs = VX_TABLE(CSwResample);
const TEntryTable SwScaleStubs = VX_TABLE(CSwScale);
const TEntryTable MyUtilStubs = {nullptr, 0};
#undef VX_TABLE

}  // namespace vx
