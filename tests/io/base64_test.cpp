#include <gtest/gtest.h>

#include "io/base64.h"

// Every length across the groups, every byte value, and the text RFC 4648 gives.
TEST(Base64, RoundTripsAndMatchesTheStandardsExamples) {
  std::string text;
  const std::string word = "foobar";
  const char* const expected[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (size_t n = 0; n <= word.size(); ++n) {
    text.clear();
    appendBase64(reinterpret_cast<const uint8_t*>(word.data()), n, text);
    EXPECT_EQ(text, expected[n]);
    EXPECT_EQ(text.size(), base64Length(n));
  }
  std::vector<uint8_t> all(256 * 3 + 2), back;
  for (size_t i = 0; i < all.size(); ++i) all[i] = uint8_t(i * 7 + i / 256);
  for (size_t n : {size_t(0), size_t(1), size_t(2), all.size()}) {
    text.clear();
    appendBase64(all.data(), n, text);
    ASSERT_TRUE(decodeBase64(text, back));
    EXPECT_EQ(back, std::vector<uint8_t>(all.begin(), all.begin() + long(n)));
  }
}

TEST(Base64, RefusesWhatIsNotBase64) {
  std::vector<uint8_t> bytes;
  for (const char* bad : {"Zg=", "Z===", "Zg==Zm8=", "Zm 9", "Zm9v\n", "=Zm9", "Zm=v"}) {
    EXPECT_FALSE(decodeBase64(bad, bytes)) << bad;
  }
}
