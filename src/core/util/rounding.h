#pragma once
// The one rule by which the engine turns a real number into an integer.

namespace velora {

// The nearest integer, ties to the even neighbour; saturates at the 32-bit limits
// and gives 0 for NaN.
int RoundHalfEven(long double x);

}  // namespace velora
