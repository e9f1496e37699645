#!/usr/bin/env bash
# Walks every page of the wizard's three paths on a real card, with the results page in both
# views, the About box and the help window, and saves one PNG each under
# <build>/screenshots/wizard/. Runs under Xvfb when xvfb-run is there, else on Qt's offscreen
# platform.
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
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "${run[@]}"
else
  QT_QPA_PLATFORM=offscreen "${run[@]}"
fi
echo "screenshots: $(ls "$out" | wc -l) pictures in $out"
