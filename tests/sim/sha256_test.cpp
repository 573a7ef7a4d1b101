// The digest that stands for a file's bytes once the run lets them go: the
// published SHA-256 values, however the bytes are fed.
#include "sim/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string Hex(const Sha256Digest& d) {
  std::string out;
  for (uint8_t b : d) {
    out += "0123456789abcdef"[b >> 4];
    out += "0123456789abcdef"[b & 15];
  }
  return out;
}

TEST(Sha256Test, GivesThePublishedDigestsInWholeOrInPieces) {
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", Hex(Sha256Of("")));
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
            Hex(Sha256Of("abc")));
  // 56 bytes: the length no longer fits the block, and a second is padded.
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
            Hex(Sha256Of(two)));
  std::string many;
  for (int i = 0; i < 300; ++i) many += static_cast<char>(i * 7);
  for (size_t step : {1u, 63u, 64u, 65u}) {
    Sha256 s;
    for (size_t at = 0; at < many.size(); at += step) {
      Sha256Add(&s, many.data() + at, std::min(step, many.size() - at));
    }
    EXPECT_EQ(Hex(Sha256Of(many)), Hex(Sha256Finish(&s))) << step;
  }
}

}  // namespace
