// Run-time loader of the FFmpeg libraries and their entry-point tables.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace vx {

enum TLibrary { avCodec, avDevice, avFilter, avFormat, avUtil, swResample, swScale, myUtil };
constexpr int CLibraryCount = 8;

// A set of libraries (bit per TLibrary).
class TLibraries {
 public:
  constexpr TLibraries() = default;
  constexpr TLibraries(std::initializer_list<TLibrary> libs) {
    for (TLibrary l : libs) FBits |= 1u << l;
  }
  constexpr bool Contains(TLibrary l) const { return (FBits >> l) & 1u; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TLibraries operator+(TLibraries o) const { TLibraries r; r.FBits = FBits | o.FBits; return r; }
  constexpr bool operator==(const TLibraries&) const = default;

 private:
  unsigned FBits = 0;
};

inline constexpr TLibraries CAllLibraries{avCodec, avDevice, avFilter, avFormat,
                                          avUtil,  swResample, swScale, myUtil};
inline constexpr TLibraries CEncoderLibraries = CAllLibraries;
inline constexpr TLibraries CDecoderLibraries{avCodec, avFormat, avUtil, swResample, swScale, myUtil};

// One row of the library table.
struct TLibraryItem {
  TLibrary Lib;
  const char* Name;     // "avcodec" ...
  bool SysLib;          // a library of the system: never looked for in the library folder
  int Version;          // major version the program was built against (-1: none)
};
const TLibraryItem& LibraryItem(TLibrary lib);

// The loader. Its state is process-wide: every instance sees the same libraries. Loading and
// unloading happen on the main thread while no job or decoder uses the libraries.
class TFFLoader {
 public:
  bool Load(TLibrary lib);
  // Loads the members in TLibrary order; on the first failure unloads the whole set.
  bool Load(TLibraries libs);
  bool Loaded(TLibrary lib) const;
  bool Loaded(TLibraries libs) const;
  // Raises Exception "Library %s not loaded." naming the first member that is not loaded.
  void CheckLibAV(TLibraries libs) const;
  void Unload(TLibrary lib);
  void Unload(TLibraries libs);

  std::string LastErrMsg() const;
  std::string LibraryPath() const;
  void SetLibraryPath(const std::string& folder);
  // The effective file name: the override when set, else lib<name>.so.<major>.
  std::string LibraryName(TLibrary lib) const;
  // Sets the override name (unloading that library first); empty restores the default.
  void SetLibraryName(TLibrary lib, const std::string& name);
  bool InstallLogger() const;
  void SetInstallLogger(bool value);

  // Entry points of a library that are not bound (all of them when it is not loaded).
  std::vector<std::string> UnboundEntries(TLibrary lib) const;
  // Names of a library's entry points, in table order.
  std::vector<std::string> EntryNames(TLibrary lib) const;
  // The run-time version of a loaded library (AV_VERSION_INT form), 0 when not loaded.
  unsigned RuntimeVersion(TLibrary lib) const;
  // The file a loaded library was opened from (empty when not loaded).
  std::string LoadedFrom(TLibrary lib) const;

  // A routine run after every successful Load of the library (also when it was already
  // loaded), after the loader's own steps; used by higher layers (filter registration).
  void AddAfterLoad(TLibrary lib, std::function<void()> routine);
};

extern TFFLoader FFLoader;

// The lock routine the codec library's lock manager interface expects (op 0 create, 1 obtain,
// 2 release, 3 destroy; 0 on success, -1 on failure). FFmpeg 5.1 locks internally, so it is
// never registered; it is kept for callers that need a lock of that shape.
int ff_lockmgr_cb(void** mutex, int op);

}  // namespace vx
