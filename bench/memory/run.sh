#!/usr/bin/env bash
# bench/run.sh memory [CLI_PHOTOS [WIZARD_PHOTOS]]: peak resident memory (the kernel's accounting
# through /usr/bin/time -v) of kova-cli recover on an exFAT card of 20 000 small photos, beside
# PhotoRec on the same card, and of the wizard's results page taking in the files of a card of
# 100 000 (bench_memory_wizard on Qt's offscreen platform). A tenth of the photos are deleted,
# so the files found are the photos plus the deleted ones the search finds again.
set -euo pipefail
# Absolute, since PhotoRec runs in a folder of its own.
build=$(realpath "$1")
data=$(realpath "$2")
cli_photos=${3:-20000}
wizard_photos=${4:-100000}
bench="$build/bench/memory"
cli_target_mib=100
wizard_target_mib=1024

# Runs a command with its output in $data/last.log; prints its peak resident memory in MiB.
peak_mib() {
  /usr/bin/time -v -o "$data/time.log" "$@" >"$data/last.log" 2>&1 || {
    echo "failed: $*" >&2
    tail -5 "$data/last.log" >&2
    exit 1
  }
  awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$data/time.log"
}

cli_card="$data/memory-$cli_photos.img"
wizard_card="$data/memory-$wizard_photos.img"
"$bench/bench_memory_card" "$cli_card" "$cli_photos"
"$bench/bench_memory_card" "$wizard_card" "$wizard_photos"

out="$data/memory-recovered"
rm -rf "$out"
start=$SECONDS
cli=$(peak_mib "$build/src/cli/kova-cli" recover "$cli_card" --out "$out" --json)
saved=$(find "$out" -type f | wc -l)
echo "kova-cli recover, $cli_photos photos: $saved files saved, peak $cli MiB" \
  "($((SECONDS - start)) s, target $cli_target_mib MiB)"
rm -rf "$out"

if command -v photorec >/dev/null; then
  work="$data/memory-photorec"
  rm -rf "$work"
  mkdir -p "$work"
  photorec=$(cd "$work" && peak_mib photorec /log /d recup /cmd "$(realpath "$cli_card")" \
    partition_none,fileopt,everything,disable,jpg,enable,wholespace,search)
  echo "photorec, same card: peak $photorec MiB;" \
    "kova-cli / photorec: $(awk -v a="$cli" -v b="$photorec" 'BEGIN { printf "%.1f", a / b }')"
  rm -rf "$work"
else
  echo "photorec: not installed (Debian package testdisk)"
fi

start=$SECONDS
wizard=$(peak_mib "$bench/bench_memory_wizard" "$wizard_card")
sed 's/^/  /' "$data/last.log"
echo "wizard, $wizard_photos photos: peak $wizard MiB" \
  "($((SECONDS - start)) s, target $wizard_target_mib MiB)"
echo "memory: $wizard MiB wizard, $cli MiB kova-cli" \
  "(target $wizard_target_mib MiB, $cli_target_mib MiB)"
