#!/usr/bin/env bash
# bench/run.sh slow_cancel: how soon a restore from a card whose every read takes half a second
# ends after a cancel given while it reads. Arguments: BUILD_DIR DATA_DIR.
set -euo pipefail
exec "$1/bench/slow_cancel/bench_slow_cancel" "$2" restore
