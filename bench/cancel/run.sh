#!/usr/bin/env bash
# bench/run.sh cancel: how soon a deep scan of a card image (page cache hot) ends after a cancel
# given at random moments. Arguments: BUILD_DIR DATA_DIR.
set -euo pipefail
exec "$1/bench/cancel/bench_cancel" "$2" scan
