// fast_path.cpp: which vector path the 2D fills take on this processor.
//
// SSE2 is part of every x86-64 processor; AVX2 is asked of the processor once.
#include "effects/frame_fast.h"

bool FastPathAvailable(FastPath path) {
  switch (path) {
    case FastPath::Plain:
      return true;
#if defined(__x86_64__) && defined(__SSE2__)
    case FastPath::Sse2:
      return true;
    case FastPath::Avx2:
      return __builtin_cpu_supports("avx2");
#endif
    default:
      return false;
  }
}

FastPath BestFastPath() {
  static const FastPath best = FastPathAvailable(FastPath::Avx2)   ? FastPath::Avx2
                               : FastPathAvailable(FastPath::Sse2) ? FastPath::Sse2
                                                                   : FastPath::Plain;
  return best;
}
