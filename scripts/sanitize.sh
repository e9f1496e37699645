#!/usr/bin/env bash
# Configures, builds and runs the whole test suite under a sanitizer preset of CMakePresets.json.
# Usage: scripts/sanitize.sh asan|tsan [extra ctest arguments]
# KOVA_JOBS sets the build and test parallelism (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-}
case "$preset" in
  asan | tsan) shift ;;
  *)
    echo "usage: scripts/sanitize.sh asan|tsan [extra ctest arguments]" >&2
    exit 2
    ;;
esac
jobs=${KOVA_JOBS:-2}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

start=$(date +%s)
cmake --preset "$preset" "${launcher[@]}" >/dev/null
cmake --build --preset "$preset" --parallel "$jobs"
built=$(date +%s)
status=0
ctest --preset "$preset" --parallel "$jobs" "$@" || status=$?
finished=$(date +%s)
echo "sanitize $preset: build $((built - start)) s, tests $((finished - built)) s"
exit "$status"
