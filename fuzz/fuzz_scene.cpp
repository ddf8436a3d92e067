// fuzz_scene.cpp: libFuzzer target for the 3DS loader (LoadScene), with the
// texture loader and the renderer behind it.
// What one input does is in inputs.h, shared with the regression test.
#include "fuzz/inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::RunScene({data, size});
  return 0;
}
