// Helpers shared by the tests.
#pragma once

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vx_test {

// A fresh folder under the test's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vxtest-XXXXXX";
    char* p = ::mkdtemp(tmpl.data());
    if (p) FPath = p;
  }
  ~TempDir() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
  }
  const std::string& path() const { return FPath; }
  std::string file(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace vx_test
