// Entry-point tables of the loader (one per library).
#pragma once

#include <cstddef>

namespace vx {

struct TEntry {
  const char* Name;
  void (*Set)(void* address);  // stores the address (nullptr clears)
  bool (*Bound)();
};

struct TEntryTable {
  const TEntry* Entries;
  size_t Count;
};

extern const TEntryTable AVCodecStubs;
extern const TEntryTable AVDeviceStubs;
extern const TEntryTable AVFilterStubs;
extern const TEntryTable AVFormatStubs;
extern const TEntryTable AVUtilStubs;
extern const TEntryTable SwResampleStubs;
extern const TEntryTable SwScaleStubs;
extern const TEntryTable MyUtilStubs;  // the C library is linked directly: no entries

}  // namespace vx
