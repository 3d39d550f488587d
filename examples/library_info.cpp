// Loads the FFmpeg libraries through the loader and reports their versions and whether each
// encoder the converter's sixteen output presets need is present.
//
//   vexlo-libinfo [library-folder]
//
// Libraries are looked for in the folder given (default: "LibAV" beside the program), else
// by the system's ordinary search.
#include <cstdio>
#include <string>

#include "vexlo/ffapi.h"
#include "vexlo/loader.h"
#include "vexlo/platform.h"

namespace {

struct TPresetNeeds {
  const char* Name;
  const char* Muxer;         // container of the output
  const char* AudioEncoder;  // nullptr: the container's default
  const char* VideoEncoder;  // nullptr: the container's default; "" no video
};

constexpr TPresetNeeds CPresets[] = {
    {"MP3 CD Quality(128 Kbps)", "mp3", "libmp3lame", ""},
    {"MP3 High Quality(160 Kbps)", "mp3", "libmp3lame", ""},
    {"Audio Only: Apple TV(SampleRate:44100; 192 Kbps)", "mp3", "libmp3lame", ""},
    {"AC3(SampleRate:48000; 256 Kbps)", "ac3", "libmp3lame", ""},
    {"AAC(SampleRate:44100; 112 Kbps)", "adts", "aac", ""},
    {"OGG(SampleRate:44100; 128K Kbps)", "ogg", "libvorbis", "libtheora"},
    {"WMA(SampleRate:44100; 128K Kbps)", "asf", "wmav2", ""},
    {"MP2(SampleRate:44100; 128K Kbps)", "mp2", nullptr, ""},
    {"WAV(SampleRate:44100; 1400K Kbps)", "wav", nullptr, ""},
    {"iPhone Video(MPEG-4 MP4)", "mp4", "aac", "mpeg4"},
    {"iPad Video(MPEG-4 MP4)", "mp4", "aac", "mpeg4"},
    {"iPod Video(Apple Quick Time MOV)", "mov", "aac", "mpeg4"},
    {"PSP Video(H.264 MP4)", "psp", "aac", "mpeg4"},
    {"Cell Phone(H.263 3GP)", "3gp", nullptr, "mpeg4"},
    {"Windows Media Video(v.7 WMV)", "asf", "wmav2", "wmv2"},
    {"XVid MPEG-4 Codec (AVI)", "avi", nullptr, "libxvid"},
};

// "name: present" / "name: MISSING" for one stream of a preset.
std::string Encoder(const char* muxer, const char* name, bool audio, bool& ok) {
  if (name && !*name) return "";
  if (name) {
    const bool found = ff::avcodec_find_encoder_by_name(name) != nullptr;
    ok = ok && found;
    return std::string(name) + (found ? " yes" : " MISSING");
  }
  const AVOutputFormat* of = ff::av_guess_format(muxer, nullptr, nullptr);
  if (!of) {
    ok = false;
    return std::string("container ") + muxer + " MISSING";
  }
  const AVCodecID id = audio ? of->audio_codec : of->video_codec;
  const AVCodec* enc = ff::avcodec_find_encoder(id);
  ok = ok && enc;
  return enc ? std::string(enc->name) + " yes" : std::string(ff::avcodec_get_name(id)) + " MISSING";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vx;
  FFLoader.SetLibraryPath(argc > 1 ? argv[1] : ProgramFolder() + "LibAV");
  if (!FFLoader.Load(CAllLibraries)) {
    std::fprintf(stderr, "%s\n", FFLoader.LastErrMsg().c_str());
    return 1;
  }
  std::printf("FFmpeg libraries (library folder %s):\n", FFLoader.LibraryPath().c_str());
  for (int i = 0; i < CLibraryCount; ++i) {
    const auto lib = static_cast<TLibrary>(i);
    if (LibraryItem(lib).SysLib) continue;
    const unsigned v = FFLoader.RuntimeVersion(lib);
    std::printf("  %-11s %u.%u.%u  from %s\n", LibraryItem(lib).Name, AV_VERSION_MAJOR(v),
                AV_VERSION_MINOR(v), AV_VERSION_MICRO(v), FFLoader.LoadedFrom(lib).c_str());
  }
  std::printf("\nEncoders of the output presets:\n");
  int missing = 0;
  for (const TPresetNeeds& p : CPresets) {
    bool ok = true;
    const std::string a = Encoder(p.Muxer, p.AudioEncoder, true, ok);
    const std::string v = Encoder(p.Muxer, p.VideoEncoder, false, ok);
    if (!ok) ++missing;
    std::printf("  %-50s audio %-18s%s%s\n", p.Name, a.c_str(), v.empty() ? "" : " video ", v.c_str());
  }
  std::printf("\n%d of 16 presets have every encoder they need.\n", 16 - missing);
  FFLoader.Unload(CAllLibraries);
  return 0;
}
