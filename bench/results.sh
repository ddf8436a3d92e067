#!/usr/bin/env bash
# Runs the benchmarks of a release build and writes bench/results.md: the
# machine, then each figure beside its floor, then the whole show.
#   bench/results.sh BUILD_DIR [Google Benchmark options]
set -euo pipefail
build=${1:?usage: bench/results.sh BUILD_DIR [benchmark options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
frames=$(mktemp) show=$(mktemp) raster=$(mktemp)
trap 'rm -f "$frames" "$show" "$raster"' EXIT

# The repetitions of all the benchmarks run interleaved in random order, so
# that a figure and its floor see the same drift of a shared machine's speed.
"$build/bench/vuxa_bench" --table "$frames" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  "$@" >&2
"$build/bench/vuxa_show_bench" --runs 3 --table "$show" >&2
"$build/bench/vuxa_raster_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=console 2>/dev/null | grep -E "^(Benchmark|[A-Za-z]+_median)" >"$raster"

cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
{
  echo "# Benchmark results"
  echo
  echo "$(date -u +%Y-%m-%d), $cpu, $(nproc) cores, $(uname -sr), $(${CXX:-c++} --version | head -1)."
  echo "Times are CPU time per frame (median of 5 runs, the runs of all benchmarks interleaved in"
  echo "random order); for the llvmpipe reference the CPU time of all its threads. Each ratio is the"
  echo "figure over a floor measured in the same run."
  echo
  cat "$frames"
  echo
  cat "$show"
  echo
  echo "The rasterizer alone (vuxa_raster_bench: 1,760 triangles of about 36 pixels, median of 5):"
  echo
  echo '```'
  cat "$raster"
  echo '```'
} > "$here/results.md"
cat "$here/results.md"
