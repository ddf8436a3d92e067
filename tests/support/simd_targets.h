// simd_targets.h: runs a check once on every SIMD target the build compiled
// and this processor runs (best first), with Highway's run-time dispatch
// pinned to that target, then lets the dispatch choose freely again.
#pragma once

#include <cstdint>
#include <vector>

#include <hwy/targets.h>

inline std::vector<std::int64_t> SimdTargets() { return hwy::SupportedAndGeneratedTargets(); }

template <class Check>
void ForEachSimdTarget(Check check) {
  struct Unpin {
    ~Unpin() { hwy::SetSupportedTargetsForTest(0); }
  } unpin;
  for (std::int64_t target : SimdTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    check(hwy::TargetName(target));
  }
}
