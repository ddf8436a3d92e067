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

"$build/bench/vuxa_bench" --table "$frames" --benchmark_repetitions=5 "$@" >&2
"$build/bench/vuxa_show_bench" --runs 3 --table "$show" >&2
"$build/bench/vuxa_raster_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=console 2>/dev/null | grep -E "^(Benchmark|[A-Za-z]+_median)" >"$raster"

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
  echo
  echo "The rasterizer alone (vuxa_raster_bench: 1,760 triangles of about 36 pixels, median of 5):"
  echo
  echo '```'
  cat "$raster"
  echo '```'
} > "$here/results.md"
cat "$here/results.md"
