#!/usr/bin/env bash
# How the host's costs grow with what a user can make large, one dimension at a time:
#   bench/scale_bench.sh [dimension...]   (default: chain styles tables flows paragraphs nesting book)
# For each dimension and format (.odt, .docx), a document is generated at SMALL and LARGE
# (10,000 and 100,000 unless set in the environment) of that dimension, the rest held small:
#   chain       styles, each based on the one before it (one chain), 20,000 paragraphs
#   styles      custom paragraph styles (every fifth based on the one before), 20,000 paragraphs
#   tables      one-cell tables, each after a body paragraph
#   flows       text boxes (.odt) or sections with their own header (.docx), one paragraph each;
#               .docx at 3/10 of SMALL and LARGE, for the host refuses package relationships of
#               more than 4 MiB (100,000 headers take 12 MiB)
#   paragraphs  paragraphs, 100 styles
#   nesting     the body of 20,000 paragraphs inside NEST_SMALL and NEST_LARGE (25, 250) nested
#               sections (.odt) or content controls (.docx; two elements a level, and a part
#               may nest 512 deep)
# and List Paragraph Usage and Delete Unused Paragraph Tags with --save are timed end to end
# (quorvex-host run). Each line prints, at both sizes, the wall-clock seconds and the CPU
# seconds (user and system: steadier than the wall clock on a shared machine), and the ratio
# of the large to the small: a cost linear in the dimension gives about LARGE/SMALL (10).
#   book        a book of BOOK_SMALL and BOOK_LARGE components (20, 200) of 2,000 paragraphs,
#               half .odt and half .docx (bench/gen_book.py): the book forms of both commands,
#               with the CPU seconds per component.
# Needs a build in build/ (or BUILD=dir). LIMIT=seconds stops each command that runs longer
# (its figure is then ">LIMIT").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD:-$top/build}/bin
small=${SMALL:-10000}
large=${LARGE:-100000}
book_small=${BOOK_SMALL:-20}
book_large=${BOOK_LARGE:-200}
dims=("$@")
[ ${#dims[@]} -gt 0 ] || dims=(chain styles tables flows paragraphs nesting book)
nest_small=${NEST_SMALL:-25}
nest_large=${NEST_LARGE:-250}
work=$(mktemp -d /tmp/qv-scale-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# command...: "<wall seconds> <cpu seconds>" it took, ">LIMIT >LIMIT" when it ran past LIMIT
# seconds, or "failed failed" (the reason on standard error).
seconds() {
  local status=0 limit=()
  [ -z "${LIMIT:-}" ] || limit=(timeout "$LIMIT")
  /usr/bin/time -f '%e %U %S' -o "$work/time" "${limit[@]}" "$@" >"$work/out" 2>&1 || status=$?
  if [ -n "${LIMIT:-}" ] && [ $status -eq 124 ]; then
    echo ">$LIMIT >$LIMIT"
    return
  fi
  if [ $status -ne 0 ]; then
    echo "failed: $*" >&2
    tail -5 "$work/out" >&2
    echo "failed failed"
    return
  fi
  tail -1 "$work/time" | awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }'
}

gen_args() {  # dimension n: the generator's options for a document of n of that dimension
  case $1 in
    chain) echo "--paragraphs 20000 --styles $2 --chain $2" ;;
    styles) echo "--paragraphs 20000 --styles $2" ;;
    tables) echo "--paragraphs $(($2 * 2)) --styles 100 --tables 0.5 --table-rows 1 --table-cols 1 --footnotes 0" ;;
    flows) echo "--paragraphs $(($2 * 2)) --styles 100 --tables 0 --footnotes 0 --flows $2" ;;
    paragraphs) echo "--paragraphs $2 --styles 100" ;;
    nesting) echo "--paragraphs 20000 --styles 200 --nesting $2" ;;
    *) echo "unknown dimension $1" >&2 && exit 2 ;;
  esac
}

ratio() {  # small large
  python3 -c "import sys
try:
    print('%.1f' % (float(sys.argv[2]) / max(float(sys.argv[1]), 0.01)))
except ValueError:
    print('-')" "$@"
}

# Times both commands on the document of `n`: "<list wall> <list cpu> <delete wall> <delete cpu>"
run_doc() {
  local dim=$1 fmt=$2 n=$3 doc=$work/$1-$3.$2
  # shellcheck disable=SC2046
  python3 "$top/bench/gen_office.py" $(gen_args "$dim" "$n") --format "$fmt" "$doc"
  local list del
  list=$(seconds "$bin/quorvex-host" run --doc "$doc" --command ListParagraphUsage)
  del=$(seconds "$bin/quorvex-host" run --doc "$doc" --command DeleteUnusedParagraphs --save)
  rm -f "$doc"
  echo "$list $del"
}

run_book() {  # components: as run_doc
  local dir=$work/book-$1
  python3 "$top/bench/gen_book.py" --components "$1" --paragraphs 2000 "$dir"
  local list del
  list=$(seconds "$bin/quorvex-host" run --book "$dir/docs.book" --command ListParagraphUsageBook)
  del=$(seconds "$bin/quorvex-host" run --book "$dir/docs.book" --command DeleteUnusedParagraphsBook \
    --save)
  rm -rf "$dir"
  echo "$list $del"
}

line() {  # dimension format command wall1 cpu1 wall2 cpu2 [note]
  printf '%-10s %-5s %-7s %9s %9s %6s %9s %9s %6s  %s\n' "$1" "$2" "$3" "$4" "$6" \
    "$(ratio "$4" "$6")" "$5" "$7" "$(ratio "$5" "$7")" "${8:-}"
}

printf '%-10s %-5s %-7s %9s %9s %6s %9s %9s %6s\n' dimension fmt command "wall@S" "wall@L" ratio \
  "cpu@S" "cpu@L" ratio
echo "(S = $small, L = $large; nesting: S = $nest_small, L = $nest_large levels; book: S = $book_small," \
  "L = $book_large components; seconds)"
for dim in "${dims[@]}"; do
  if [ "$dim" = book ]; then
    r1=$(run_book "$book_small") && r2=$(run_book "$book_large")
    read -r lw1 lc1 dw1 dc1 <<<"$r1" && read -r lw2 lc2 dw2 dc2 <<<"$r2"
    per() { python3 -c "import sys; print('%.3f' % (float(sys.argv[1]) / int(sys.argv[2])))" "$@" 2>/dev/null || echo -; }
    line book mixed list "$lw1" "$lc1" "$lw2" "$lc2" "cpu per component $(per "$lc1" "$book_small"), $(per "$lc2" "$book_large")"
    line book mixed delete "$dw1" "$dc1" "$dw2" "$dc2" "cpu per component $(per "$dc1" "$book_small"), $(per "$dc2" "$book_large")"
    continue
  fi
  for fmt in odt docx; do
    s=$small l=$large
    [ "$dim" != nesting ] || s=$nest_small l=$nest_large
    [ "$dim$fmt" != flowsdocx ] || s=$((small * 3 / 10)) l=$((large * 3 / 10))
    r1=$(run_doc "$dim" "$fmt" "$s") && r2=$(run_doc "$dim" "$fmt" "$l")
    read -r lw1 lc1 dw1 dc1 <<<"$r1" && read -r lw2 lc2 dw2 dc2 <<<"$r2"
    note=$([ "$s" = "$small" ] || echo "at $s and $l")
    line "$dim" "$fmt" list "$lw1" "$lc1" "$lw2" "$lc2" "$note"
    line "$dim" "$fmt" delete "$dw1" "$dc1" "$dw2" "$dc2" "$note"
  done
done
