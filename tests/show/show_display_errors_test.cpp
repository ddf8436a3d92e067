// Tests of DescribeDisplayError: exact texts at the edges of the table, the
// fallback for every code outside it, and the size of the table itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "show/show.h"

namespace {

constexpr const char* Unknown = "The request reported an unknown error.";

HRESULT Code(std::uint32_t value) { return static_cast<HRESULT>(value); }

bool Known(std::uint32_t value) {
  return std::strcmp(DescribeDisplayError(Code(value)), Unknown) != 0;
}

TEST(DescribeDisplayError, TheTwoOutOfMemoryCodesHaveTheirOwnTexts) {
  EXPECT_STREQ(DescribeDisplayError(Code(0x8876017C)),
               "DirectDraw does not have enough display memory to perform the operation.");
  EXPECT_STREQ(DescribeDisplayError(Code(0x8007000E)),
               "DirectDraw does not have enough memory to perform the operation.");
}

TEST(DescribeDisplayError, NamedCodesGiveTheirSentences) {
  EXPECT_EQ(std::string(DescribeDisplayError(DDERR_NOZBUFFERHW))
                .rfind("The operation to create a z-buffer in display memory", 0),
            0u);
  EXPECT_STREQ(DescribeDisplayError(DDERR_INVALIDMODE),
               "DirectDraw does not support the requested mode.");
  EXPECT_STREQ(DescribeDisplayError(Code(0x887600D4)),
               "A create function is called without the IDirectDraw2::SetCooperativeLevel method "
               "being called.");
  EXPECT_STREQ(DescribeDisplayError(Code(0x80004001)), "The operation is not supported.");
  EXPECT_STREQ(DescribeDisplayError(Code(0x887602BB)),
               "Surfaces created by one direct draw device cannot be used directly by another "
               "direct draw device.");
}

TEST(DescribeDisplayError, SuccessHasATextButOtherPositiveCodesFallBack) {
  EXPECT_STREQ(DescribeDisplayError(0), "The request completed successfully.");
  EXPECT_STREQ(DescribeDisplayError(1), Unknown);
  EXPECT_STREQ(DescribeDisplayError(0x5), Unknown);  // low bits of a table code, no 0x8876
  EXPECT_STREQ(DescribeDisplayError(0x7FFFFFFF), Unknown);
  EXPECT_STREQ(DescribeDisplayError(-1), Unknown);
}

TEST(DescribeDisplayError, NeighboursOfTableCodesFallBack) {
  for (std::uint32_t code : {0x88760153u, 0x88760155u, 0x8007000Du, 0x8007000Fu, 0x80004002u,
                             0x887602BCu, 0x88760004u, 0x8876017Bu, 0x8876017Du})
    EXPECT_STREQ(DescribeDisplayError(Code(code)), Unknown) << std::hex << code;
  // Runs of adjacent codes are all in the table.
  for (std::uint32_t code = 0x88760230; code <= 0x8876025A; ++code) {
    if (code <= 0x88760250 || code >= 0x88760258) {
      EXPECT_TRUE(Known(code)) << std::hex << code;
    } else {
      EXPECT_FALSE(Known(code)) << std::hex << code;
    }
  }
}

TEST(DescribeDisplayError, LongestTextIsReturnedWhole) {
  const char* text = DescribeDisplayError(Code(0x887601C2));
  EXPECT_EQ(std::strlen(text), 189u);
  const std::string ending = "should have the IDirectDrawSurface3::Restore method called on it.";
  EXPECT_EQ(std::string(text).substr(189 - ending.size()), ending);
}

TEST(DescribeDisplayError, TableHoldsExactly108Codes) {
  int directDraw = 0;
  for (std::uint32_t low = 0; low <= 0xFFFF; ++low) directDraw += Known(0x88760000u | low);
  EXPECT_EQ(directDraw, 102);

  int general = 0;
  for (std::uint32_t code : {0x80004001u, 0x80004005u, 0x800401F0u, 0x8007000Eu, 0x80070057u})
    general += Known(code);
  EXPECT_EQ(general, 5);
  EXPECT_TRUE(Known(0));
  EXPECT_EQ(directDraw + general + 1, 108);
}

}  // namespace
