#include "base/byte_amount.h"

#include <gtest/gtest.h>

namespace tlw {
namespace {

TEST(ByteAmountText, SixDigitsAreBytesLongerNumbersAreTruncatedMegabytes) {
  EXPECT_EQ(ByteAmountText(0), "0 bytes");
  EXPECT_EQ(ByteAmountText(999999), "999999 bytes");
  EXPECT_EQ(ByteAmountText(1000000), "1 MB");
  EXPECT_EQ(ByteAmountText(1999999), "1 MB");
  EXPECT_EQ(ByteAmountText(5'000'000'000ULL), "5000 MB");
}

}  // namespace
}  // namespace tlw
