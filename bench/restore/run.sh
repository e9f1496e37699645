#!/usr/bin/env bash
# bench/run.sh restore: the restore thread writing the files of a 1 GiB card beside cp of the same
# number of bytes. Arguments: BUILD_DIR DATA_DIR.
set -euo pipefail
exec "$1/bench/restore/bench_restore" "$2" restore
