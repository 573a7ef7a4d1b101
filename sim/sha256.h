// A SHA-256 digest of bytes, fed in pieces as they are read: what tells a
// file's bytes from any other bytes without keeping them.
#ifndef TAGSMITH_SIM_SHA256_H
#define TAGSMITH_SIM_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using Sha256Digest = std::array<uint8_t, 32>;

struct Sha256 {
  uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  uint64_t bytes = 0;      // fed so far
  uint8_t block[64] = {};  // the bytes of a block not yet complete
};

// Whether the processor's SHA instructions do the work: set when the
// program starts, where it has them; the tests clear it to try the code
// that any processor runs.
extern bool Sha256ByInstructions;

void Sha256Add(Sha256* s, const void* data, size_t n);
// The digest of everything added; s is spent.
Sha256Digest Sha256Finish(Sha256* s);
Sha256Digest Sha256Of(const std::string& bytes);

#endif
