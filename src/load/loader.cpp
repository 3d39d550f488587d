// Run-time loading and binding of the FFmpeg libraries.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <mutex>

#include "entries.h"
#include "vexlo/exceptions.h"
#include "vexlo/ffapi.h"
#include "vexlo/loader.h"
#include "vexlo/logger.h"
#include "vexlo/unicode_filename.h"

namespace vx {

TFFLoader FFLoader;

namespace {

#define VX_STR2(x) #x
#define VX_STR(x) VX_STR2(x)

struct TLibraryDef {
  TLibraryItem Item;
  const TEntryTable* Table;
  const char* VersionNode;  // symbol version of the library's exports
  const char* VersionFunc;  // run-time version function, checked before binding
  // Sonames this library needs, in load order; opened from the same folder when present.
  std::vector<const char*> Needs;
};

#define VX_SONAME(lib, major) "lib" lib ".so." VX_STR(major)
const char* const SoAvUtil = VX_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR);
const char* const SoSwResample = VX_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR);
const char* const SoSwScale = VX_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR);
const char* const SoPostProc = VX_SONAME("postproc", LIBPOSTPROC_VERSION_MAJOR);
const char* const SoAvCodec = VX_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR);
const char* const SoAvFormat = VX_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR);
const char* const SoAvFilter = VX_SONAME("avfilter", LIBAVFILTER_VERSION_MAJOR);

const TLibraryDef& Def(TLibrary lib) {
  static const TLibraryDef defs[CLibraryCount] = {
      {{avCodec, "avcodec", false, LIBAVCODEC_VERSION_MAJOR}, &AVCodecStubs,
       "LIBAVCODEC_" VX_STR(LIBAVCODEC_VERSION_MAJOR), "avcodec_version", {SoAvUtil, SoSwResample}},
      {{avDevice, "avdevice", false, LIBAVDEVICE_VERSION_MAJOR}, &AVDeviceStubs,
       "LIBAVDEVICE_" VX_STR(LIBAVDEVICE_VERSION_MAJOR), "avdevice_version",
       {SoAvUtil, SoSwResample, SoSwScale, SoPostProc, SoAvCodec, SoAvFormat, SoAvFilter}},
      {{avFilter, "avfilter", false, LIBAVFILTER_VERSION_MAJOR}, &AVFilterStubs,
       "LIBAVFILTER_" VX_STR(LIBAVFILTER_VERSION_MAJOR), "avfilter_version",
       {SoAvUtil, SoSwResample, SoSwScale, SoPostProc, SoAvCodec, SoAvFormat}},
      {{avFormat, "avformat", false, LIBAVFORMAT_VERSION_MAJOR}, &AVFormatStubs,
       "LIBAVFORMAT_" VX_STR(LIBAVFORMAT_VERSION_MAJOR), "avformat_version",
       {SoAvUtil, SoSwResample, SoAvCodec}},
      {{avUtil, "avutil", false, LIBAVUTIL_VERSION_MAJOR}, &AVUtilStubs,
       "LIBAVUTIL_" VX_STR(LIBAVUTIL_VERSION_MAJOR), "avutil_version", {}},
      {{swResample, "swresample", false, LIBSWRESAMPLE_VERSION_MAJOR}, &SwResampleStubs,
       "LIBSWRESAMPLE_" VX_STR(LIBSWRESAMPLE_VERSION_MAJOR), "swresample_version", {SoAvUtil}},
      {{swScale, "swscale", false, LIBSWSCALE_VERSION_MAJOR}, &SwScaleStubs,
       "LIBSWSCALE_" VX_STR(LIBSWSCALE_VERSION_MAJOR), "swscale_version", {SoAvUtil}},
      {{myUtil, "c", true, 6}, &MyUtilStubs, nullptr, nullptr, {}},
  };
  return defs[lib];
}

struct TLibraryStatus {
  std::string Name;           // override file name, empty by default
  void* Handle = nullptr;     // the loaded module
  bool Fixuped = false;       // all entry points bound
  std::vector<void*> Needs;   // dependencies opened from the library folder
  std::string From;           // the file it was opened from
  unsigned Version = 0;       // run-time version
};

struct TLoaderState {
  std::mutex Lock;  // guards the texts; loading itself is a main-thread affair
  std::string LastErrMsg;
  std::string LibraryPath;
  bool InstallLogger = true;
  TLibraryStatus Libraries[CLibraryCount];
  std::vector<std::function<void()>> AfterLoad[CLibraryCount];
};

TLoaderState& State() {
  static TLoaderState* s = new TLoaderState;  // lives to the very end of the process
  return *s;
}

int OpenFlags() {
  int flags = RTLD_NOW | RTLD_LOCAL;
#ifdef VX_SANITIZE_BUILD
  flags |= RTLD_NODELETE;  // keeps frames of the libraries readable in leak reports
#endif
  return flags;
}

std::string DlError() {
  const char* e = ::dlerror();
  return e ? e : "unknown error";
}

void SetLastErr(const std::string& msg) {
  std::lock_guard g(State().Lock);
  State().LastErrMsg = msg;
}

bool FileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string JoinPath(const std::string& folder, const std::string& file) {
  if (folder.empty()) return file;
  return folder.back() == '/' ? folder + file : folder + "/" + file;
}

void CloseNeeds(TLibraryStatus& st) {
  for (auto it = st.Needs.rbegin(); it != st.Needs.rend(); ++it) ::dlclose(*it);
  st.Needs.clear();
}

// Opens a module: from the folder when the file is there (its dependencies first, from the
// same folder when they are there), else by the system's ordinary search.
void* MyLoadLibrary(const TLibraryDef& def, TLibraryStatus& st, const std::string& path,
                    const std::string& file, std::string& error, std::string& shown) {
  const std::string full = JoinPath(path, file);
  if (!path.empty() && FileExists(full)) {
    shown = full;
    for (const char* need : def.Needs) {
      const std::string need_path = JoinPath(path, need);
      if (!FileExists(need_path)) continue;
      void* h = ::dlopen(need_path.c_str(), OpenFlags());
      if (!h) {
        error = DlError();
        shown = need_path;
        CloseNeeds(st);
        return nullptr;
      }
      st.Needs.push_back(h);
    }
    void* h = ::dlopen(full.c_str(), OpenFlags());
    if (!h) {
      error = DlError();
      CloseNeeds(st);
    }
    return h;
  }
  shown = full;
  void* h = ::dlopen(file.c_str(), OpenFlags());
  if (!h) error = DlError();
  return h;
}

void* LookUp(void* handle, const char* name, const char* node) {
  ::dlerror();
  void* p = node ? ::dlvsym(handle, name, node) : nullptr;
  if (!p) {
    ::dlerror();
    p = ::dlsym(handle, name);
  }
  return p;
}

void UnfixStubs(const TEntryTable& table) {
  for (size_t i = 0; i < table.Count; ++i) table.Entries[i].Set(nullptr);
}

// Binds every entry point; the first one missing raises "Load function %s@%s error: %s".
void FixupStubs(const TLibraryDef& def, const std::string& file, void* handle) {
  const TEntryTable& table = *def.Table;
  for (size_t i = 0; i < table.Count; ++i) {
    const TEntry& e = table.Entries[i];
    void* p = LookUp(handle, e.Name, def.VersionNode);
    if (!p) {
      const std::string why = DlError();
      UnfixStubs(table);
      throw Exception(Format("Load function %s@%s error: %s", e.Name, file, why));
    }
    e.Set(p);
  }
  switch (def.Item.Lib) {
    case avFormat: ff::avformat_network_init(); break;
    case avDevice: ff::avdevice_register_all(); break;
    default: break;
  }
}

}  // namespace

const TLibraryItem& LibraryItem(TLibrary lib) { return Def(lib).Item; }

std::string TFFLoader::LibraryName(TLibrary lib) const {
  std::lock_guard g(State().Lock);
  const TLibraryStatus& st = State().Libraries[lib];
  if (!st.Name.empty()) return st.Name;
  const TLibraryItem& item = Def(lib).Item;
  std::string name = "lib" + std::string(item.Name) + ".so";
  if (item.Version >= 0) name += "." + std::to_string(item.Version);
  return name;
}

void TFFLoader::SetLibraryName(TLibrary lib, const std::string& name) {
  Unload(lib);
  std::lock_guard g(State().Lock);
  State().Libraries[lib].Name = name;
}

std::string TFFLoader::LibraryPath() const {
  std::lock_guard g(State().Lock);
  return State().LibraryPath;
}

void TFFLoader::SetLibraryPath(const std::string& folder) {
  std::lock_guard g(State().Lock);
  State().LibraryPath = folder;
}

std::string TFFLoader::LastErrMsg() const {
  std::lock_guard g(State().Lock);
  return State().LastErrMsg;
}

bool TFFLoader::InstallLogger() const { return State().InstallLogger; }
void TFFLoader::SetInstallLogger(bool value) { State().InstallLogger = value; }

bool TFFLoader::Load(TLibrary lib) {
  const TLibraryDef& def = Def(lib);
  TLibraryStatus& st = State().Libraries[lib];
  if (def.Item.SysLib) return true;  // the C library is linked directly

  if (!st.Handle) {
    const std::string name = LibraryName(lib);
    std::string folder;
    std::string file = name;
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
      folder = name.substr(0, slash + 1);
      file = name.substr(slash + 1);
    } else {
      folder = LibraryPath();
      if (!folder.empty() && folder.back() != '/') folder += '/';
    }
    std::string error, shown;
    void* h = MyLoadLibrary(def, st, folder, file, error, shown);
    if (!h) {
      SetLastErr(Format("Load library %s error: %s", shown, error));
      return false;
    }
    // The run-time major version must be the one the program was built against.
    using TVersionFunc = unsigned (*)();
    auto version = reinterpret_cast<TVersionFunc>(LookUp(h, def.VersionFunc, def.VersionNode));
    std::string refusal;
    if (!version) {
      refusal = Format("no %s function", def.VersionFunc);
    } else {
      st.Version = version();
      if (static_cast<int>(AV_VERSION_MAJOR(st.Version)) != def.Item.Version)
        refusal = Format("run-time version %d.%d.%d does not match the major version %d the program was built for",
                         AV_VERSION_MAJOR(st.Version), AV_VERSION_MINOR(st.Version),
                         AV_VERSION_MICRO(st.Version), def.Item.Version);
    }
    if (!refusal.empty()) {
      ::dlclose(h);
      CloseNeeds(st);
      st.Version = 0;
      SetLastErr(Format("Load library %s error: %s", shown, refusal));
      return false;
    }
    st.Handle = h;
    st.From = shown;
    struct link_map* map = nullptr;
    if (::dlinfo(h, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) st.From = map->l_name;
  }
  if (!st.Fixuped) {
    try {
      FixupStubs(def, LibraryName(lib), st.Handle);
      st.Fixuped = true;
    } catch (const Exception& e) {
      SetLastErr(e.what());
    }
  }
  if (!st.Fixuped) {
    Unload(lib);
    return false;
  }
  // Steps after every successful load.
  switch (lib) {
    case avUtil:
      if (State().InstallLogger) InstallAVLogCallback(ff::av_log_set_callback, ff::av_log_set_level);
      break;
    case avFormat: register_unicode_protocol(); break;
    default: break;
  }
  for (const auto& routine : State().AfterLoad[lib]) routine();
  return true;
}

bool TFFLoader::Load(TLibraries libs) {
  if (libs.Empty()) AssertFailed("empty library set", "FFLoad", __LINE__);
  for (int i = 0; i < CLibraryCount; ++i) {
    const TLibrary lib = static_cast<TLibrary>(i);
    if (!libs.Contains(lib)) continue;
    if (!Load(lib)) {
      const std::string err = LastErrMsg();
      Unload(libs);
      SetLastErr(err);
      return false;
    }
  }
  return true;
}

bool TFFLoader::Loaded(TLibrary lib) const {
  if (Def(lib).Item.SysLib) return true;
  const TLibraryStatus& st = State().Libraries[lib];
  return st.Handle && st.Fixuped;
}

bool TFFLoader::Loaded(TLibraries libs) const {
  if (libs.Empty()) AssertFailed("empty library set", "FFLoad", __LINE__);
  for (int i = 0; i < CLibraryCount; ++i)
    if (libs.Contains(static_cast<TLibrary>(i)) && !Loaded(static_cast<TLibrary>(i))) return false;
  return true;
}

void TFFLoader::CheckLibAV(TLibraries libs) const {
  for (int i = 0; i < CLibraryCount; ++i) {
    const TLibrary lib = static_cast<TLibrary>(i);
    if (libs.Contains(lib) && !Loaded(lib))
      throw Exception(Format("Library %s not loaded.", Def(lib).Item.Name));
  }
}

void TFFLoader::Unload(TLibrary lib) {
  const TLibraryDef& def = Def(lib);
  if (def.Item.SysLib) return;
  TLibraryStatus& st = State().Libraries[lib];
  if (st.Fixuped) {
    if (lib == avFormat && ff::avformat_network_deinit) ff::avformat_network_deinit();
    if (lib == avUtil) UninstallAVLogCallback();
    UnfixStubs(*def.Table);
    st.Fixuped = false;
  }
  if (st.Handle) {
    ::dlclose(st.Handle);
    st.Handle = nullptr;
    st.From.clear();
    st.Version = 0;
  }
  CloseNeeds(st);
}

void TFFLoader::Unload(TLibraries libs) {
  if (libs.Empty()) AssertFailed("empty library set", "FFLoad", __LINE__);
  for (int i = 0; i < CLibraryCount; ++i)
    if (libs.Contains(static_cast<TLibrary>(i))) Unload(static_cast<TLibrary>(i));
}

std::vector<std::string> TFFLoader::EntryNames(TLibrary lib) const {
  const TEntryTable& t = *Def(lib).Table;
  std::vector<std::string> names;
  for (size_t i = 0; i < t.Count; ++i) names.emplace_back(t.Entries[i].Name);
  return names;
}

std::vector<std::string> TFFLoader::UnboundEntries(TLibrary lib) const {
  const TEntryTable& t = *Def(lib).Table;
  std::vector<std::string> names;
  for (size_t i = 0; i < t.Count; ++i)
    if (!t.Entries[i].Bound()) names.emplace_back(t.Entries[i].Name);
  return names;
}

unsigned TFFLoader::RuntimeVersion(TLibrary lib) const {
  return Loaded(lib) ? State().Libraries[lib].Version : 0;
}

std::string TFFLoader::LoadedFrom(TLibrary lib) const {
  return Loaded(lib) ? State().Libraries[lib].From : std::string();
}

void TFFLoader::AddAfterLoad(TLibrary lib, std::function<void()> routine) {
  State().AfterLoad[lib].push_back(std::move(routine));
}

}  // namespace vx
