// Forward 8x8 DCT by the floating-point algorithm of Arai, Agui and Nakajima:
// rows first, then columns, in place. The output is scaled per coefficient by
// s[row] x s[col] x 8 (see quantDivisors), which the quantiser removes.
#pragma once

namespace jpegenc {

void forwardDctFloat(float block[64]);

}  // namespace jpegenc
