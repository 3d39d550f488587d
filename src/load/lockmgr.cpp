// A lock routine of the shape the codec library's lock manager interface used.
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "vexlo/exceptions.h"
#include "vexlo/loader.h"
#include "vexlo/logger.h"
#include "vexlo/platform.h"

namespace vx {

namespace {

// A recursive mutex owned by one thread at a time; releasing it from another thread fails.
struct TOwnedMutex {
  std::mutex Lock;
  std::condition_variable Free;
  uint32_t Owner = 0;  // guarded by Lock
  int Count = 0;       // guarded by Lock
  int ID = 0;
};

struct TMyMutex {
  void** ID;
  TOwnedMutex* Mutex;
  TMyMutex* Next;
};

std::mutex FLock;           // guards FMutex
TMyMutex* FMutex = nullptr;  // list head
std::atomic<int> GNextMutexID{1};

void Log(TLogLevel level, const std::string& msg) { FFLogger()->Log(nullptr, level, msg); }

TMyMutex* FetchMutex(void** mutex) {
  std::lock_guard g(FLock);
  TMyMutex* node = static_cast<TMyMutex*>(*mutex);
  if (!node) {
    node = new TMyMutex{mutex, nullptr, FMutex};
    FMutex = node;
    *mutex = node;
  }
  if (node->ID != mutex) AssertFailed("lock node does not belong to its variable", "FFLoad", __LINE__);
  return node;
}

void DeleteMutex(TMyMutex* node) {
  std::lock_guard g(FLock);
  if (!FMutex) AssertFailed("lock list is empty", "FFLoad", __LINE__);
  TMyMutex** link = &FMutex;
  while (*link && *link != node) link = &(*link)->Next;
  if (!*link) AssertFailed("lock node is not in the list", "FFLoad", __LINE__);
  *link = node->Next;
  *node->ID = nullptr;
  delete node->Mutex;
  delete node;
}

}  // namespace

int ff_lockmgr_cb(void** mutex, int op) {
  if (!mutex) return -1;
  TMyMutex* node;
  try {
    node = FetchMutex(mutex);
  } catch (const Exception& e) {
    Log(llError, std::string("[lock manager] error, ") + e.what());
    return -1;
  }
  switch (op) {
    case 0:  // create
      if (node->Mutex) {
        Log(llError, Format("[lock manager] error, mutex [%d] already exist.", node->Mutex->ID));
        return -1;
      }
      node->Mutex = new TOwnedMutex;
      node->Mutex->ID = GNextMutexID++;
      Log(llDebug, Format("[lock manager] mutex [%d] created.", node->Mutex->ID));
      return 0;
    case 1: {  // obtain
      TOwnedMutex* m = node->Mutex;
      if (!m) {
        Log(llError, "[lock manager] error, mutex not available.");
        return -1;
      }
      const uint32_t self = CurrentThreadID();
      {
        std::unique_lock g(m->Lock);
        m->Free.wait(g, [&] { return m->Owner == 0 || m->Owner == self; });
        m->Owner = self;
        ++m->Count;
      }
      Log(llDebug, Format("[lock manager] mutex [%d] obtained.", m->ID));
      return 0;
    }
    case 2: {  // release
      TOwnedMutex* m = node->Mutex;
      if (!m) {
        Log(llError, "[lock manager] error, mutex not available.");
        return -1;
      }
      {
        std::lock_guard g(m->Lock);
        if (m->Owner != CurrentThreadID()) {
          Log(llError, Format("[lock manager] error, could not release mutex [%d]: %s.", m->ID,
                              "Attempt to release mutex not owned by caller"));
          return -1;
        }
        if (--m->Count == 0) m->Owner = 0;
      }
      m->Free.notify_all();
      Log(llDebug, Format("[lock manager] mutex [%d] release.", m->ID));
      return 0;
    }
    case 3: {  // destroy
      int result = 0;
      if (node->Mutex) {
        Log(llDebug, Format("[lock manager] mutex [%d] destroyed.", node->Mutex->ID));
        delete node->Mutex;
        node->Mutex = nullptr;
      } else {
        Log(llError, "[lock manager] error, mutex not available.");
        result = -1;
      }
      try {
        DeleteMutex(node);
      } catch (const Exception& e) {
        Log(llError, std::string("[lock manager] error, ") + e.what());
        result = -1;
      }
      return result;
    }
    default:
      Log(llError, Format("[lock manager] error, invalid mutex operation %d.", op));
      return -1;
  }
}

}  // namespace vx
