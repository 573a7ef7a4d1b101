// FIPS 180-4, section 6.2; on a processor with the SHA instructions, by
// them, which takes a run's hashing of a whole book from a few percent of
// its time to a fraction of one.
#include "sim/sha256.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define TAGSMITH_SHA256_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

const uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void Compress(uint32_t h[8], const uint8_t* p) {
  uint32_t w[64];
  for (int i = 0; i < 16; ++i) {
    w[i] = uint32_t{p[4 * i]} << 24 | uint32_t{p[4 * i + 1]} << 16 | uint32_t{p[4 * i + 2]} << 8 |
           uint32_t{p[4 * i + 3]};
  }
  for (int i = 16; i < 64; ++i) {
    uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
  for (int i = 0; i < 64; ++i) {
    uint32_t t1 = k + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] +
                  w[i];
    uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    k = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  h[0] += a;
  h[1] += b;
  h[2] += c;
  h[3] += d;
  h[4] += e;
  h[5] += f;
  h[6] += g;
  h[7] += k;
}

#ifdef TAGSMITH_SHA256_X86

__attribute__((target("sha,sse4.1,ssse3"))) void CompressByInstructions(uint32_t h[8],
                                                                        const uint8_t* p,
                                                                        size_t blocks) {
  const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  // The instructions hold the state as ABEF and CDGH.
  __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0xB1);
  __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; blocks > 0; --blocks, p += 64) {
    const __m128i abefBefore = abef;
    const __m128i cdghBefore = cdgh;
    __m128i w[16];
    for (int i = 0; i < 16; ++i) {
      if (i < 4) {
        w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)),
                                bigEndian);
      } else {
        __m128i t = _mm_sha256msg1_epu32(w[i - 4], w[i - 3]);
        t = _mm_add_epi32(t, _mm_alignr_epi8(w[i - 1], w[i - 2], 4));
        w[i] = _mm_sha256msg2_epu32(t, w[i - 1]);
      }
      __m128i m =
          _mm_add_epi32(w[i], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, m);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(m, 0x0E));
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool HasShaInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return false;
  bool sse = (c & bit_SSE4_1) != 0 && (c & bit_SSSE3) != 0;
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return false;
  return sse && (b & (1u << 29)) != 0;
}

#endif

void CompressBlocks(uint32_t h[8], const uint8_t* p, size_t blocks) {
#ifdef TAGSMITH_SHA256_X86
  if (Sha256ByInstructions) return CompressByInstructions(h, p, blocks);
#endif
  for (; blocks > 0; --blocks, p += 64) Compress(h, p);
}

}  // namespace

#ifdef TAGSMITH_SHA256_X86
bool Sha256ByInstructions = HasShaInstructions();
#else
bool Sha256ByInstructions = false;
#endif

void Sha256Add(Sha256* s, const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  size_t used = static_cast<size_t>(s->bytes % 64);
  s->bytes += n;
  if (used > 0) {
    size_t take = n < 64 - used ? n : 64 - used;
    std::memcpy(s->block + used, p, take);
    p += take;
    n -= take;
    if (used + take < 64) return;
    CompressBlocks(s->h, s->block, 1);
  }
  CompressBlocks(s->h, p, n / 64);
  p += n / 64 * 64;
  n %= 64;
  if (n > 0) std::memcpy(s->block, p, n);
}

Sha256Digest Sha256Finish(Sha256* s) {
  uint64_t bits = s->bytes * 8;
  const uint8_t one = 0x80;
  Sha256Add(s, &one, 1);
  const uint8_t zeros[64] = {};
  Sha256Add(s, zeros, (120 - s->bytes % 64) % 64);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  Sha256Add(s, length, 8);
  Sha256Digest out;
  for (int i = 0; i < 32; ++i) out[i] = static_cast<uint8_t>(s->h[i / 4] >> (24 - 8 * (i % 4)));
  return out;
}

Sha256Digest Sha256Of(const std::string& bytes) {
  Sha256 s;
  Sha256Add(&s, bytes.data(), bytes.size());
  return Sha256Finish(&s);
}
