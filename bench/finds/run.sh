#!/usr/bin/env bash
# bench/run.sh finds [--list] [--photorec]: builds the fixture cards of bench/finds/cards with
# mkcard, recovers each with kova-cli recover and counts byte-exact files, junk outputs (outputs
# that are no whole file written to the card) and missed files against what mkcard wrote.
# --list names every junk output and missed file; --photorec counts PhotoRec's outputs beside.
# Arguments: BUILD_DIR DATA_DIR [options].
set -euo pipefail
build=$(realpath "$1")
data=$(realpath "$2")/finds
shift 2
here=$(cd "$(dirname "$0")" && pwd)
list=()
peer=0
for option in "$@"; do
  case $option in
    --list) list=(--list) ;;
    --photorec) peer=1 ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done
samples=${KOVA_SAMPLES_DIR:-$(sed -n 's/^KOVA_SAMPLES_DIR:PATH=//p' "$build/CMakeCache.txt")}
mkdir -p "$data"
# What counts as a find: the types the program's scan formats measure, from its own catalogue.
catalogue="$data/catalogue.tsv"
"$build/tools/catalogue/kova-catalogue" >"$catalogue"
exact=0 truth=0 junk=0
for recipe in "$here"/cards/*.recipe; do
  card=$(basename "$recipe" .recipe)
  image="$data/$card.img"
  "$build/tools/mkcard/mkcard" "$recipe" "$image" --samples "$samples" >/dev/null
  rm -rf "$data/$card-out"
  "$build/src/cli/kova-cli" recover "$image" --out "$data/$card-out" --threads 1 >/dev/null 2>&1
  counted=$("$here/count_finds.py" "$image" "${image%.img}.manifest.jsonl" "$data/$card-out" \
    "$catalogue" "${list[@]}")
  summary=$(tail -n 1 <<<"$counted")
  head -n -1 <<<"$counted"
  printf '%-20s %s\n' "$card" "$summary"
  read -r e t j < <(sed -E 's/^exact ([0-9]+) of ([0-9]+).*junk ([0-9]+).*/\1 \2 \3/' <<<"$summary")
  exact=$((exact + e)) truth=$((truth + t)) junk=$((junk + j))
  if [[ $peer == 1 ]] && command -v photorec >/dev/null; then
    rm -rf "$data/$card-photorec"
    mkdir -p "$data/$card-photorec"
    (cd "$data/$card-photorec" &&
      photorec /log /d recup /cmd "$image" partition_none,wholespace,search >/dev/null 2>&1) || true
    rm -f "$data/$card-photorec/photorec.log" "$data/$card-photorec"/recup.*/report.xml
    printf '%-20s photorec: %s\n' "" \
      "$("$here/count_finds.py" "$image" "${image%.img}.manifest.jsonl" "$data/$card-photorec" \
        "$catalogue")"
  fi
done
echo "finds: $exact of $truth exact, $junk junk outputs (target: exact up, junk down, no card worse)"
