#!/usr/bin/env bash
# Checks that every C++ file of src/, tests/, tools/, bench/ and fuzz/ is formatted as
# .clang-format says, and lists the files that are not (fix them with clang-format -i).
# Exits 77 (a skip for CTest) when clang-format 14, the version the style is kept with, is
# missing.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null && "$candidate" --version | grep -q 'version 14\.'; then
    formatter=$candidate
    break
  fi
done
if [[ -z "$formatter" ]]; then
  echo "clang-format 14 is not installed (scripts/install-deps.sh installs it): formatting not checked"
  exit 77
fi

mapfile -t files < <(find src tests tools bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if output=$("$formatter" --dry-run --Werror "${files[@]}" 2>&1); then
  echo "${#files[@]} files follow .clang-format"
  exit 0
fi
mapfile -t differing < <(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
                         <<<"$output" | sort -u)
if [[ ${#differing[@]} -eq 0 ]]; then
  echo "$output"
  exit 1
fi
echo "${#differing[@]} of ${#files[@]} files differ from .clang-format (run clang-format -i on them):"
printf '  %s\n' "${differing[@]}"
exit 1
