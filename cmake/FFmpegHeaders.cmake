# The FFmpeg libraries are opened at run time by the loader; the build uses their headers only.
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFMPEG_HEADERS REQUIRED
  libavcodec>=59 libavformat>=59 libavfilter>=8 libavutil>=57
  libswscale>=6 libswresample>=4 libavdevice>=59 libpostproc>=56)
add_library(vx_ffmpeg_headers INTERFACE)
target_include_directories(vx_ffmpeg_headers SYSTEM INTERFACE ${FFMPEG_HEADERS_INCLUDE_DIRS})
target_compile_options(vx_ffmpeg_headers INTERFACE ${FFMPEG_HEADERS_CFLAGS_OTHER})
