#!/usr/bin/env bash
# Runs the benchmarks of a release build and writes bench/results.md: the
# machine, then each figure beside its floor, then the whole show.
#   bench/results.sh BUILD_DIR [Google Benchmark options]
set -euo pipefail
build=${1:?usage: bench/results.sh BUILD_DIR [benchmark options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
frames=$(mktemp) show=$(mktemp)
trap 'rm -f "$frames" "$show"' EXIT

"$build/bench/vuxa_bench" --table "$frames" --benchmark_repetitions=5 "$@" >&2
"$build/bench/vuxa_show_bench" --runs 3 --table "$show" >&2

cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
{
  echo "# Benchmark results"
  echo
  echo "$(date -u +%Y-%m-%d), $cpu, $(nproc) cores, $(uname -sr), $(${CXX:-c++} --version | head -1)."
  echo "Times are CPU time per frame (median of 5 runs); for the llvmpipe reference the CPU time"
  echo "of all its threads. Each ratio is the figure over a floor measured in the same run."
  echo
  cat "$frames"
  echo
  cat "$show"
} > "$here/results.md"
cat "$here/results.md"
