// fuzz_module.cpp: libFuzzer target for the sound library's module load (MIDASloadModule).
// What one input does is in inputs.h, shared with the regression test.
#include "fuzz/inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::RunModule({data, size});
  return 0;
}
