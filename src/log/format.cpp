// The engine's message formatter.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vexlo/exceptions.h"
#include "vexlo/format.h"

namespace vx {

namespace {

[[noreturn]] void InvalidFormat(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string Pad(std::string s, int width, bool left) {
  if (width > 0 && static_cast<int>(s.size()) < width) {
    const std::string fill(static_cast<size_t>(width) - s.size(), ' ');
    s = left ? s + fill : fill + s;
  }
  return s;
}

// Digits with at least prec places (zero padded), sign in front.
std::string IntText(bool negative, std::string digits, int prec) {
  if (prec > 0 && static_cast<int>(digits.size()) < prec)
    digits.insert(0, static_cast<size_t>(prec) - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

std::string WithThousands(const std::string& fixed) {
  size_t start = fixed[0] == '-' ? 1 : 0;
  size_t end = fixed.find('.');
  if (end == std::string::npos) end = fixed.size();
  std::string out = fixed.substr(0, start);
  for (size_t i = start; i < end; ++i) {
    out += fixed[i];
    const size_t left = end - i - 1;
    if (left > 0 && left % 3 == 0) out += ',';
  }
  return out + fixed.substr(end);
}

// Scientific text in the form -d.dddE+ddd with prec significant digits.
std::string SciText(double v, int prec) {
  if (prec <= 0 || prec > 18) prec = 15;
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.*E", prec - 1, v);
  std::string s = buf;
  const size_t e = s.find('E');
  if (e == std::string::npos) return s;
  std::string mant = s.substr(0, e);
  const char sign = s[e + 1];
  std::string exp = s.substr(e + 2);
  while (exp.size() < 3) exp.insert(0, "0");
  return mant + "E" + sign + exp;
}

std::string GeneralText(double v, int prec) {
  if (prec <= 0 || prec > 18) prec = 15;
  if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.*G", prec, v);
  std::string s = buf;
  // Exponent without leading zeros or plus sign, as in "1E20".
  const size_t e = s.find('E');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e);
    std::string exp = s.substr(e + 1);
    bool neg = exp[0] == '-';
    size_t i = (exp[0] == '-' || exp[0] == '+') ? 1 : 0;
    while (i + 1 < exp.size() && exp[i] == '0') ++i;
    s = mant + "E" + (neg ? "-" : "") + exp.substr(i);
  }
  return s;
}

}  // namespace

std::string FormatArgs(std::string_view fmt, std::initializer_list<TVarRec> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  const TVarRec* argv = args.begin();
  const size_t argc = args.size();
  size_t next = 0;
  size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= fmt.size()) InvalidFormat(fmt);
    if (fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    auto read_number = [&](int& value) -> bool {
      if (i < fmt.size() && fmt[i] == '*') {
        if (next >= argc || (argv[next].kind() != TVarRec::Kind::Int &&
                             argv[next].kind() != TVarRec::Kind::UInt))
          InvalidFormat(fmt);
        value = static_cast<int>(argv[next++].AsInt());
        ++i;
        return true;
      }
      bool any = false;
      value = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        value = value * 10 + (fmt[i] - '0');
        if (value > 1000000) InvalidFormat(fmt);
        ++i;
        any = true;
      }
      return any;
    };
    // Index, left justification, width, precision.
    int number = 0;
    bool have = read_number(number);
    if (have && i < fmt.size() && fmt[i] == ':') {
      next = static_cast<size_t>(number);
      ++i;
      have = false;
    }
    bool left = false;
    if (!have && i < fmt.size() && fmt[i] == '-') {
      left = true;
      ++i;
    }
    int width = -1;
    if (have)
      width = number;
    else if (read_number(number))
      width = number;
    int prec = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      if (!read_number(prec)) prec = 0;
    }
    if (width < 0 && left) width = 0;
    if (i >= fmt.size()) InvalidFormat(fmt);
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
    ++i;
    if (next >= argc) InvalidFormat(fmt);
    const TVarRec& a = argv[next++];
    const bool is_int = a.kind() == TVarRec::Kind::Int || a.kind() == TVarRec::Kind::UInt;
    std::string text;
    switch (type) {
      case 'd': {
        if (!is_int) InvalidFormat(fmt);
        if (a.kind() == TVarRec::Kind::UInt) {
          text = IntText(false, std::to_string(a.AsUInt()), prec);
        } else {
          const int64_t v = a.AsInt();
          const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
          text = IntText(v < 0, std::to_string(mag), prec);
        }
        break;
      }
      case 'u': {
        if (!is_int) InvalidFormat(fmt);
        uint64_t v = a.AsUInt();
        if (a.kind() == TVarRec::Kind::Int && a.AsInt() < 0 && a.AsInt() >= INT32_MIN)
          v = static_cast<uint32_t>(a.AsInt());
        text = IntText(false, std::to_string(v), prec);
        break;
      }
      case 'x': {
        if (!is_int) InvalidFormat(fmt);
        uint64_t v = a.AsUInt();
        if (a.kind() == TVarRec::Kind::Int && a.AsInt() < 0 && a.AsInt() >= INT32_MIN)
          v = static_cast<uint32_t>(a.AsInt());
        char buf[32];
        std::snprintf(buf, sizeof(buf), "%" PRIX64, v);
        text = IntText(false, buf, prec);
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        if (a.kind() != TVarRec::Kind::Float) InvalidFormat(fmt);
        const double v = a.AsFloat();
        if (type == 'e') {
          text = SciText(v, prec);
        } else if (type == 'g') {
          text = GeneralText(v, prec);
        } else {
          const int p = prec < 0 ? 2 : std::min(prec, 18);
          char buf[512];
          std::snprintf(buf, sizeof(buf), "%.*f", p, v);
          text = buf;
          if (type != 'f') text = WithThousands(text);
        }
        break;
      }
      case 'p': {
        if (a.kind() != TVarRec::Kind::Ptr) InvalidFormat(fmt);
        char buf[32];
        std::snprintf(buf, sizeof(buf), "%016" PRIXPTR, reinterpret_cast<uintptr_t>(a.AsPtr()));
        text = buf;
        break;
      }
      case 's': {
        if (a.kind() != TVarRec::Kind::Str) InvalidFormat(fmt);
        std::string_view s = a.AsStr();
        if (prec >= 0 && static_cast<size_t>(prec) < s.size()) s = s.substr(0, static_cast<size_t>(prec));
        text = std::string(s);
        break;
      }
      default:
        InvalidFormat(fmt);
    }
    out += Pad(std::move(text), width, left);
  }
  return out;
}

bool TryStrToInt64(std::string_view s, int64_t& value) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  if (i >= s.size()) return false;
  uint64_t mag = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    const uint64_t d = static_cast<uint64_t>(s[i] - '0');
    if (mag > (static_cast<uint64_t>(INT64_MAX) + 1 - d) / 10) return false;
    mag = mag * 10 + d;
  }
  if (!neg && mag > static_cast<uint64_t>(INT64_MAX)) return false;
  value = neg ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
  return true;
}

int64_t StrToInt64(std::string_view s) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

int StrToInt(std::string_view s) {
  const int64_t v = StrToInt64(s);
  if (v < INT32_MIN || v > INT32_MAX)
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return static_cast<int>(v);
}

}  // namespace vx
