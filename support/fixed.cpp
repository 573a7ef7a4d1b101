#include "support/fixed.h"

#include "support/memory.h"

namespace {

constexpr Fixed kFixedMax = 0x7FFFFFFF;
constexpr Fixed kFixedMin = INT32_MIN;

uint32_t Magnitude(Fixed v) {
  return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
}

}  // namespace

Fixed FixedDiv(Fixed a, Fixed b) {
  if (b == 0) {
    AssertFailed();
    return a > 0 ? kFixedMax : kFixedMin;
  }
  if (b == 0x10000) return a;

  if ((b & 0xFFFF) == 0) {
    int32_t divisor = (b <= 0 ? b + 0xFFFF : b) >> 16;
    // The one quotient of whole numbers that does not fit: -32768.0 / -1.
    if (divisor == -1 && a == kFixedMin) return kFixedMax;
    return a / divisor;
  }

  const bool negative = (a <= 0) != (b <= 0);
  uint32_t dividend = Magnitude(a);
  uint32_t divisor = Magnitude(b);
  uint32_t bit = 0x10000;
  uint32_t quotient = 0;

  // Line the divisor up with the dividend; the bit follows it. The divisor
  // is below 2^31 whenever it is below the dividend, so doubling never wraps.
  while (divisor < dividend) {
    divisor <<= 1;
    bit <<= 1;
    if (bit == 0) break;
  }
  if (bit == 0 || divisor == 0) return negative ? kFixedMin : kFixedMax;

  if ((divisor & 0x80000000u) != 0) {
    if (dividend >= divisor) {
      dividend -= divisor;
      quotient |= bit;
    }
    divisor >>= 1;
    bit >>= 1;
  }
  while (dividend != 0 && bit != 0) {
    if (dividend >= divisor) {
      dividend -= divisor;
      quotient |= bit;
    }
    bit >>= 1;
    dividend <<= 1;
  }

  if (negative) return static_cast<Fixed>(0u - quotient);
  // A positive quotient of exactly 2^31 fits the 32 bits but not the sign.
  if (quotient > 0x7FFFFFFFu) return kFixedMax;
  return static_cast<Fixed>(quotient);
}

double FixedToDouble(Fixed f) {
  return static_cast<double>(static_cast<float>(f) * (1.0f / 65536.0f));
}
