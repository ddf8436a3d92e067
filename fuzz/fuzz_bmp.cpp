// fuzz_bmp.cpp: libFuzzer target for the BMP reader behind LoadImageA,
// reached through the texture loader as the show reaches it.
// What one input does is in inputs.h, shared with the regression test.
#include "fuzz/inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::RunBmp({data, size});
  return 0;
}
