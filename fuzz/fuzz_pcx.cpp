// fuzz_pcx.cpp: libFuzzer target for the PCX reader (LoadPcx).
// What one input does is in inputs.h, shared with the regression test.
#include "fuzz/inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::RunPcx({data, size});
  return 0;
}
