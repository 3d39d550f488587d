// Small file and text utilities, and assertion failures.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "vexlo/exceptions.h"
#include "vexlo/platform.h"

namespace vx {

void AssertFailed(const std::string& msg, const char* unit, int line) {
  throw EAssertionFailed(msg + " (" + unit + ", line " + std::to_string(line) + ")");
}

int64_t GetFileSize(const std::string& file_name) {
  struct stat st {};
  if (file_name.empty() || ::stat(file_name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

std::string Fetch(std::string& input, const std::string& delimiter, bool do_delete) {
  const size_t pos = delimiter.empty() ? std::string::npos : input.find(delimiter);
  if (pos == std::string::npos) {
    std::string all = input;
    if (do_delete) input.clear();
    return all;
  }
  std::string head = input.substr(0, pos);
  if (do_delete) input.erase(0, pos + delimiter.size());
  return head;
}

std::string ProgramFolder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace vx
