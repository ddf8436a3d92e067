// fuzz_options.cpp: libFuzzer target for the command line (ParseOptions).
// What one input does is in inputs.h, shared with the regression test.
#include "fuzz/inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::RunOptions({data, size});
  return 0;
}
