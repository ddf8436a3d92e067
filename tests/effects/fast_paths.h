// fast_paths.h: the vector paths this build and processor can run, for
// comparing each with the plain loops.
#pragma once

#include <string>
#include <vector>

#include "effects/frame_fast.h"

inline std::vector<FastPath> VectorPaths() {
  std::vector<FastPath> paths;
  for (FastPath path : {FastPath::Sse2, FastPath::Avx2})
    if (FastPathAvailable(path)) paths.push_back(path);
  return paths;
}

inline std::string PathName(FastPath path) {
  return path == FastPath::Avx2 ? "AVX2" : path == FastPath::Sse2 ? "SSE2" : "plain";
}
