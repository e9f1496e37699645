#!/usr/bin/env bash
# The one entry point of the benchmarks: bench/run.sh NAME [arguments].
# Builds what NAME needs in its own Release folder (build-bench, ccache when present), runs it and
# passes its output through; the last line is "NAME: VALUE UNIT (target TARGET)".
# A benchmark is a folder bench/NAME with a CMakeLists.txt that builds bench_NAME; when the folder
# also holds a run.sh, that script is run instead of the program, with the build folder and the
# data folder as its first two arguments.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: bench/run.sh NAME [arguments]" >&2
  echo "benchmarks:" $(for d in bench/*/; do [[ -f "$d/CMakeLists.txt" ]] && basename "$d"; done) >&2
  exit 2
}

[[ $# -ge 1 ]] || usage
name=$1
shift
[[ -f "bench/$name/CMakeLists.txt" ]] || usage

build_dir=${KOVA_BENCH_BUILD_DIR:-build-bench}
data_dir="$build_dir/bench-data"
mkdir -p "$data_dir"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if ! grep -q '^KOVA_BUILD_BENCH:BOOL=ON' "$build_dir/CMakeCache.txt" 2>/dev/null ||
  ! grep -q '^KOVA_BUILD_GUI:BOOL=ON' "$build_dir/CMakeCache.txt"; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVA_BUILD_GUI=ON \
    -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=ON "${launcher[@]}" >/dev/null
fi
cmake --build "$build_dir" --target "bench_$name" -j2 >/dev/null

if [[ -x "bench/$name/run.sh" ]]; then
  exec "bench/$name/run.sh" "$build_dir" "$data_dir" "$@"
fi
exec "$build_dir/bench/$name/bench_$name" "$data_dir" "$@"
