#!/usr/bin/env bash
# Walks every page of the wizard's three paths on a real card, with the results page in both
# views, the About box and the help window, as the kova program starts (its skin, palette and
# font), and saves PNGs under <build>/screenshots/wizard/: each page at 640 x 480 and at
# 1920 x 1080, then once more at 640 x 480 with QT_SCALE_FACTOR=2 ("_scale2"). Runs under Xvfb
# when xvfb-run is there, else on Qt's offscreen platform.
#   scripts/screenshots.sh [build-folder]    (default: build; the folder must have the GUI on;
#   KOVA_SKIP_BUILD=1 when the test program is built already)
set -euo pipefail

build="${1:-build}"
cd "$(dirname "$0")/.."
[ -n "${KOVA_SKIP_BUILD:-}" ] || cmake --build "$build" --target test_ui -j2
out="$build/screenshots/wizard"
rm -rf "$out"
mkdir -p "$out"
export KOVA_SCREENSHOT_DIR="$(cd "$out" && pwd)"
run=("$build/tests/test_ui" --gtest_also_run_disabled_tests
     --gtest_filter='WizardScreenshots.*')
walk() {
  if command -v xvfb-run >/dev/null; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 2560x1600x24" "${run[@]}"
  else
    QT_QPA_PLATFORM=offscreen "${run[@]}"
  fi
}
walk
QT_SCALE_FACTOR=2 walk
echo "screenshots: $(ls "$out" | wc -l) pictures in $out"
