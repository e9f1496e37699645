#!/usr/bin/env bash
# bench/run.sh scan: kova-cli scan of a 1 GiB card beside the floor (reading it plus djpeg at one
# eighth over its photos) and PhotoRec. Arguments: BUILD_DIR DATA_DIR.
set -euo pipefail
build=$1
data=$2
exec "$build/bench/scan/bench_scan" "$data" "$build/src/cli/kova-cli"
