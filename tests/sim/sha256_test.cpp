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

// By the processor's instructions, where it has them, and by the code any
// processor runs.
TEST(Sha256Test, GivesThePublishedDigestsInWholeOrInPieces) {
  const bool byInstructions = Sha256ByInstructions;
  for (bool instructions : {false, byInstructions}) {
    Sha256ByInstructions = instructions;
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
              Hex(Sha256Of("")));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
              Hex(Sha256Of("abc")));
    // 56 bytes: the length no longer fits the block, and a second is padded.
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
              Hex(Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")));
    std::string many(1000000, 'a');
    EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
              Hex(Sha256Of(many)));
    for (size_t step : {1u, 63u, 64u, 65u, 4096u}) {
      Sha256 s;
      for (size_t at = 0; at < many.size(); at += step) {
        Sha256Add(&s, many.data() + at, std::min(step, many.size() - at));
      }
      EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
                Hex(Sha256Finish(&s)))
          << step;
    }
  }
  Sha256ByInstructions = byInstructions;
}

}  // namespace
