#!/usr/bin/env bash
# bench/run.sh scan: kova-cli scan (one thread, every core, 2/4/8 threads) and recover of a 1 GiB
# card beside cat, the one-thread floor (cat plus djpeg at one eighth) and PhotoRec.
set -euo pipefail
build=$1
data=$2
exec "$build/bench/scan/bench_scan" "$data" "$build/src/cli/kova-cli"
