#include <gtest/gtest.h>

#include "vexlo/exceptions.h"
#include "vexlo/format.h"

using vx::Format;

TEST(Format, IntegersStringsAndFloats) {
  struct Case {
    std::string got, want;
  };
  const Case cases[] = {
      {Format("%d", 42), "42"},
      {Format("[%5d]", 42), "[   42]"},
      {Format("[%-5d]", 42), "[42   ]"},
      {Format("%.3d", 7), "007"},
      {Format("%.3d", -7), "-007"},
      {Format("%d", INT64_MIN), "-9223372036854775808"},
      {Format("%u", -1), "4294967295"},
      {Format("%x", 255), "FF"},
      {Format("%.4x", 255), "00FF"},
      {Format("%s/%s", "a", std::string("b")), "a/b"},
      {Format("%.2s", "abc"), "ab"},
      {Format("[%-4s]", "ab"), "[ab  ]"},
      {Format("%f", 1.5), "1.50"},
      {Format("%.1f", 0.25), "0.2"},
      {Format("%.0f", 2.5), "2"},
      {Format("%n", 1234567.891), "1,234,567.89"},
      {Format("%e", 1234.5), "1.23450000000000E+003"},
      {Format("%g", 0.5), "0.5"},
      {Format("%g", 1e20), "1E20"},
      {Format("%1:s %0:s", "a", "b"), "b a"},
      {Format("[%*d]", 4, 7), "[   7]"},
      {Format("100%%"), "100%"},
      {Format("%p", static_cast<const void*>(nullptr)), "0000000000000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(Format, MismatchRaisesConvertError) {
  EXPECT_THROW(Format("%d", "x"), vx::EConvertError);
  EXPECT_THROW(Format("%s", 1), vx::EConvertError);
  EXPECT_THROW(Format("%f", 1), vx::EConvertError);
  EXPECT_THROW(Format("%d %d", 1), vx::EConvertError);
  EXPECT_THROW(Format("50%"), vx::EConvertError);
  EXPECT_THROW(Format("%z", 1), vx::EConvertError);
}

TEST(StrToInt, StrictDecimal) {
  EXPECT_EQ(vx::StrToInt("24"), 24);
  EXPECT_EQ(vx::StrToInt("-8"), -8);
  EXPECT_EQ(vx::StrToInt("+5"), 5);
  for (const char* bad : {"", " 1", "1 ", "1x", "0x10", "-", "99999999999"})
    EXPECT_THROW(vx::StrToInt(bad), vx::EConvertError) << bad;
  try {
    vx::StrToInt("abc");
  } catch (const vx::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
  int64_t v = 0;
  EXPECT_TRUE(vx::TryStrToInt64("-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_FALSE(vx::TryStrToInt64("9223372036854775808", v));
}
