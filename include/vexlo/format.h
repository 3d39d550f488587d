// The engine's message formatter: %d %u %x %e %f %g %n %m %p %s with index, width and
// precision ("%0:s", "%-8s", "%.3f", "%*d"); %f without precision writes two decimals.
// A format that does not match its arguments raises EConvertError.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace vx {

// One argument of Format.
class TVarRec {
 public:
  enum class Kind { Int, UInt, Float, Str, Ptr };

  template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
  TVarRec(T v) : FKind(Kind::Int), FInt(v) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_signed_v<T>, int> = 0>
  TVarRec(T v) : FKind(Kind::UInt), FUInt(v) {}
  template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
  TVarRec(T v) : FKind(Kind::Int), FInt(static_cast<int64_t>(v)) {}
  TVarRec(double v) : FKind(Kind::Float), FFloat(v) {}
  TVarRec(float v) : FKind(Kind::Float), FFloat(v) {}
  TVarRec(const char* s) : FKind(Kind::Str), FStr(s ? s : "") {}
  TVarRec(char* s) : FKind(Kind::Str), FStr(s ? s : "") {}
  TVarRec(std::string_view s) : FKind(Kind::Str), FStr(s) {}
  TVarRec(const std::string& s) : FKind(Kind::Str), FStr(s) {}
  TVarRec(const void* p) : FKind(Kind::Ptr), FPtr(p) {}

  Kind kind() const { return FKind; }
  int64_t AsInt() const { return FKind == Kind::UInt ? static_cast<int64_t>(FUInt) : FInt; }
  uint64_t AsUInt() const { return FKind == Kind::UInt ? FUInt : static_cast<uint64_t>(FInt); }
  double AsFloat() const { return FFloat; }
  std::string_view AsStr() const { return FStr; }
  const void* AsPtr() const { return FPtr; }

 private:
  Kind FKind;
  int64_t FInt = 0;
  uint64_t FUInt = 0;
  double FFloat = 0;
  std::string_view FStr;
  const void* FPtr = nullptr;
};

std::string FormatArgs(std::string_view fmt, std::initializer_list<TVarRec> args);

template <class... A>
std::string Format(std::string_view fmt, const A&... args) {
  return FormatArgs(fmt, {TVarRec(args)...});
}

// Strict decimal conversion with an optional sign; raises EConvertError
// "'%s' is not a valid integer value" otherwise.
int64_t StrToInt64(std::string_view s);
int StrToInt(std::string_view s);
// Same without raising: returns false on a text that is not a decimal integer.
bool TryStrToInt64(std::string_view s, int64_t& value);

}  // namespace vx
