#!/usr/bin/env bash
# bench/run.sh image: the disk image thread copying a 1 GiB card (an image file read through the
# device layer as a drive) beside dd bs=1M of it. Arguments: BUILD_DIR DATA_DIR.
set -euo pipefail
exec "$1/bench/image/bench_image" "$2" image
