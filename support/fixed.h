// 16.16 fixed-point numbers, the form in which the host reports metrics.
#ifndef TAGSMITH_SUPPORT_FIXED_H
#define TAGSMITH_SUPPORT_FIXED_H

#include <cstdint>

typedef int32_t Fixed;

// a / b, saturated at the type's limits on overflow; division by zero is an
// assertion failure that answers the limit of a's sign.
Fixed FixedDiv(Fixed a, Fixed b);
double FixedToDouble(Fixed f);

#endif
