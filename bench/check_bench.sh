#!/usr/bin/env bash
# quorvex-host check on a generated book of many files (a repository of documents):
#   bench/check_bench.sh [files] [paragraphs per file] [styles per file]   (200, 2000, 150)
# Half the files are .odt, half .docx (bench/gen_office.py, a different seed each); the keep
# list names the first 60 % of the styles. Prints the seconds and peak kilobytes of check in
# text and SARIF form (keep list and overrides), and of explain for one style. Needs a build
# in build/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$top/build/bin
files=${1:-200}
pgfs=${2:-2000}
styles=${3:-150}
work=$(mktemp -d /tmp/qv-check-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

components=()
for ((i = 1; i <= files; i++)); do
  fmt=$([ $((i % 2)) -eq 0 ] && echo docx || echo odt)
  name=$(printf 'part%03d.%s' "$i" "$fmt")
  python3 "$top/bench/gen_office.py" --paragraphs "$pgfs" --styles "$styles" --format "$fmt" \
    --seed "$i" "$work/$name"
  components+=("\"$name\"")
done
(IFS=,; echo "{\"type\": \"book\", \"components\": [${components[*]}]}") >"$work/docs.book"
for ((s = 1; s <= styles * 6 / 10; s++)); do printf 'Bench %04d\n' "$s"; done >"$work/keep.txt"
bytes=$(du -sb "$work" | cut -f1)
echo "book: $files files, $pgfs paragraphs and $styles styles each, $((bytes / 1024)) KiB"

measure() {  # label, command...: "<label>: <seconds> s, <kb> KiB peak, status <n>"
  local label=$1 status=0
  shift
  (cd "$work" && /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>&1) || status=$?
  read -r secs kb < <(tail -1 "$work/time")
  echo "$label: $secs s, $kb KiB peak, status $status"
}
measure "check text " "$bin/quorvex-host" check --book docs.book --keep keep.txt --no-overrides
measure "check sarif" "$bin/quorvex-host" check --book docs.book --keep keep.txt --no-overrides \
  --format sarif
measure "explain    " "$bin/quorvex-host" explain --book docs.book "Bench 0001"
