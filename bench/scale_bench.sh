#!/usr/bin/env bash
# How the host's costs grow with what a user can make large, one dimension at a time:
#   bench/scale_bench.sh [dimension...]      (default: chain styles tables flows paragraphs book)
# For each dimension and format (.odt, .docx), a document is generated at SMALL and LARGE
# (10,000 and 100,000 unless set in the environment) of that dimension, the rest held small:
#   chain       styles, each based on the one before it (one chain), 20,000 paragraphs
#   styles      custom paragraph styles (every fifth based on the one before), 20,000 paragraphs
#   tables      one-cell tables, each after a body paragraph
#   flows       text boxes (.odt) or sections with their own header (.docx), one paragraph each
#   paragraphs  paragraphs, 100 styles
# and List Paragraph Usage and Delete Unused Paragraph Tags with --save are timed end to end
# (quorvex-host run). Each line prints the seconds at both sizes and their ratio: a cost linear
# in the dimension gives about LARGE/SMALL (10).
#   book        a book of BOOK_SMALL and BOOK_LARGE components (20, 200) of 2,000 paragraphs,
#               half .odt and half .docx (bench/gen_book.py): the book forms of both commands,
#               with the seconds per component.
# Needs a build in build/ (or BUILD=dir). LIMIT=seconds stops each command that runs longer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD:-$top/build}/bin
small=${SMALL:-10000}
large=${LARGE:-100000}
book_small=${BOOK_SMALL:-20}
book_large=${BOOK_LARGE:-200}
dims=("$@")
[ ${#dims[@]} -gt 0 ] || dims=(chain styles tables flows paragraphs book)
work=$(mktemp -d /tmp/qv-scale-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# command...: the wall-clock seconds it took, or ">LIMIT" when it ran past LIMIT seconds (when
# set); stops the script when it fails
seconds() {
  local status=0
  if [ -n "${LIMIT:-}" ]; then
    /usr/bin/time -f '%e' -o "$work/time" timeout "$LIMIT" "$@" >"$work/out" 2>&1 || status=$?
    [ $status -ne 124 ] || {
      echo ">$LIMIT"
      return
    }
  else
    /usr/bin/time -f '%e' -o "$work/time" "$@" >"$work/out" 2>&1 || status=$?
  fi
  if [ $status -ne 0 ]; then
    echo "failed: $*" >&2
    tail -5 "$work/out" >&2
    exit 1
  fi
  tail -1 "$work/time"
}

gen_args() {  # dimension n: the generator's options for a document of n of that dimension
  case $1 in
    chain) echo "--paragraphs 20000 --styles $2 --chain $2" ;;
    styles) echo "--paragraphs 20000 --styles $2" ;;
    tables) echo "--paragraphs $(($2 * 2)) --styles 100 --tables 0.5 --table-rows 1 --table-cols 1 --footnotes 0" ;;
    flows) echo "--paragraphs $(($2 * 2)) --styles 100 --tables 0 --footnotes 0 --flows $2" ;;
    paragraphs) echo "--paragraphs $2 --styles 100" ;;
    *) echo "unknown dimension $1" >&2 && exit 2 ;;
  esac
}

ratio() {
  python3 -c "import sys; a, b = sys.argv[1:]
print('-' if '>' in a + b else '%.1f' % (float(b) / float(a) if float(a) else 0))" "$@"
}

# Times both commands on the document of `n`: "<list seconds> <delete seconds>"
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

run_book() {  # components: "<list seconds> <delete seconds>"
  local dir=$work/book-$1
  python3 "$top/bench/gen_book.py" --components "$1" --paragraphs 2000 "$dir"
  local list del
  list=$(seconds "$bin/quorvex-host" run --book "$dir/docs.book" --command ListParagraphUsageBook)
  del=$(seconds "$bin/quorvex-host" run --book "$dir/docs.book" --command DeleteUnusedParagraphsBook \
    --save)
  rm -rf "$dir"
  echo "$list $del"
}

printf '%-11s %-5s %-7s %9s %9s %6s\n' dimension fmt command "$small" "$large" ratio
for dim in "${dims[@]}"; do
  if [ "$dim" = book ]; then
    r1=$(run_book "$book_small") && r2=$(run_book "$book_large")
    read -r l1 d1 <<<"$r1" && read -r l2 d2 <<<"$r2"
    for c in "list $l1 $l2" "delete $d1 $d2"; do
      read -r name a b <<<"$c"
      per_a=$(python3 -c "print('%.3f' % ($a / $book_small))" 2>/dev/null || echo -)
      per_b=$(python3 -c "print('%.3f' % ($b / $book_large))" 2>/dev/null || echo -)
      printf '%-11s %-5s %-7s %8ss %8ss %6s   per component %ss, %ss (%s and %s components)\n' \
        book mixed "$name" "$a" "$b" "$(ratio "$a" "$b")" "$per_a" "$per_b" "$book_small" "$book_large"
    done
    continue
  fi
  for fmt in odt docx; do
    r1=$(run_doc "$dim" "$fmt" "$small") && r2=$(run_doc "$dim" "$fmt" "$large")
    read -r l1 d1 <<<"$r1" && read -r l2 d2 <<<"$r2"
    printf '%-11s %-5s %-7s %8ss %8ss %6s\n' "$dim" "$fmt" list "$l1" "$l2" "$(ratio "$l1" "$l2")"
    printf '%-11s %-5s %-7s %8ss %8ss %6s\n' "$dim" "$fmt" delete "$d1" "$d2" "$(ratio "$d1" "$d2")"
  done
done
