#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan, in build-fuzz), writes their seeds and runs each
# target for a bounded time, one at a time, then prints per target its executions, run time and
# findings. Findings (crash-*, timeout-*, oom-*, leak-* inputs) land in build-fuzz/fuzz-findings;
# the corpus grows in build-fuzz/fuzz-corpus from run to run.
#   fuzz/run.sh [SECONDS_PER_TARGET] [--no-build] [TARGET...]   (default 180 s; TARGET as fat_disk)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KOVA_FUZZ_BUILD:-$root/build-fuzz}"
samples="${KOVA_SAMPLES_DIR:-$root/../shared/samples}"
seconds=180
do_build=1
targets=()
for arg in "$@"; do
  case "$arg" in
    --no-build) do_build=0 ;;
    ''|*[!0-9]*) targets+=("$arg") ;;
    *) seconds="$arg" ;;
  esac
done
all_targets=(fat_disk exfat_disk scan_format movie_thumbnail heif_thumbnail deep_scan disk_info
             partition_table long_name stream_container language words_text settings net_envelope
             rtf toc_filer)
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

# The largest input of each target: cards and camera files need room, texts do not.
max_len() {
  case "$1" in
    fat_disk|exfat_disk|deep_scan) echo 400000 ;;
    scan_format) echo 100001 ;;
    movie_thumbnail|heif_thumbnail) echo 300000 ;;
    long_name) echo 8192 ;;
    language|stream_container) echo 131072 ;;
    *) echo 65536 ;;
  esac
}

if [ "$do_build" = 1 ]; then
  if ! grep -q '^KOVA_BUILD_GUI:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKOVA_BUILD_GUI=ON \
      -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
      -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
      -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
  fi
  known="$(ninja -C "$build" -t targets all)"
  wanted=(fuzz_seeds)
  grep -q "^fuzz_online_seeds:" <<<"$known" && wanted+=(fuzz_online_seeds)
  for t in "${targets[@]}"; do
    grep -q "^${t}_fuzzer:" <<<"$known" && wanted+=("${t}_fuzzer")
  done
  cmake --build "$build" --target "${wanted[@]}" -j2
fi

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
if [ -x "$build/fuzz/fuzz_seeds" ]; then
  "$build/fuzz/fuzz_seeds" "$seeds" "$build/generated/tlgdata.xlg" "$samples"
else
  echo "run.sh: fuzz_seeds is not built: the targets start from their corpus alone" >&2
fi
if [ -x "$build/fuzz/fuzz_online_seeds" ]; then
  "$build/fuzz/fuzz_online_seeds" "$seeds"
fi
mkdir -p "$seeds/rtf"
cp "$root"/resources/lang/en/*.rtf "$seeds/rtf/"

summary=()
for t in "${targets[@]}"; do
  program="$build/fuzz/${t}_fuzzer"
  if [ ! -x "$program" ]; then
    summary+=("$(printf '%-18s not built' "$t")")
    continue
  fi
  corpus="$build/fuzz-corpus/$t"
  findings="$build/fuzz-findings/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")" "$seeds/$t"
  before=$(ls "$findings" | wc -l)
  start=$(date +%s)
  "$program" "$corpus" "$seeds/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$(max_len "$t")" -artifact_prefix="$findings/" -print_final_stats=1 \
    >"$log" 2>&1 || true
  elapsed=$(( $(date +%s) - start ))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  [ -z "$runs" ] && runs=$(grep -o '#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
  found=$(( $(ls "$findings" | wc -l) - before ))
  what=$(grep -m1 -o 'ERROR: [A-Za-z]*Sanitizer: [a-z-]*\|ERROR: libFuzzer: [a-z-]*\|kova fuzz: .*' \
           "$log" || true)
  summary+=("$(printf '%-18s %10s execs %6ss %3s findings %s' "$t" "${runs:-0}" "$elapsed" "$found" "$what")")
done

echo
echo "target              executions    time  findings"
printf '%s\n' "${summary[@]}"
