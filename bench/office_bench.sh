#!/usr/bin/env bash
# Real-document figures, measured in one run on one generated file per format:
#   bench/office_bench.sh [paragraphs] [styles]      (defaults 100000 and 1000)
# For .odt and .docx: the host's load time (BM_LoadOfficeDocument), List Paragraph Usage end to
# end, Delete Unused Paragraph Tags with --save end to end (load to save), the host's peak
# memory against the file's unpacked size, and LibreOffice headless opening and saving the same
# file, with the cost of a bare libtirpc call measured in the same run, and the ratios: List
# against the load, Delete Unused against LibreOffice. The commands run with the client linked
# into the host; Delete Unused is also run with the client as a process over ONC RPC (--process).
# Needs a build in build/ (scripts/test makes one) and soffice.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$top/build/bin
pgfs=${1:-100000}
styles=${2:-1000}
work=$(mktemp -d /tmp/qv-office-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
profile="-env:UserInstallation=file://$work/profile"

# seconds and peak kilobytes of one command: "<seconds> <kb>"
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>&1 || {
    echo "failed: $*" >&2
    tail -5 "$work/out" >&2
    return 1
  }
  cat "$work/time"
}

# LibreOffice's first start builds its profile: do that before anything is timed.
echo '<p>warm</p>' >"$work/warm.html"
soffice --headless "$profile" --convert-to odt --outdir "$work" "$work/warm.html" >/dev/null 2>&1

# The commands are bound by round trips: the cost of a bare libtirpc call in this same run
# says how fast this machine's system calls are today.
"$bin/quorvex-bench" --benchmark_filter='^BM_BareTirpcCall$' --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'BM_BareTirpcCall_median' || true

ratio() { python3 -c "import sys; print(round(float(sys.argv[1]) / float(sys.argv[2]), 3))" "$1" "$2"; }

for fmt in odt docx; do
  doc=$work/big.$fmt
  python3 "$top/bench/gen_office.py" --paragraphs "$pgfs" --styles "$styles" --format "$fmt" "$doc"
  unpacked=$(python3 -c "import zipfile,sys; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))" "$doc")
  echo "== $fmt: $pgfs paragraphs, $styles styles, $(stat -c %s "$doc") bytes packed, $unpacked unpacked"
  # The load's median, in seconds.
  load=$(QUORVEX_OFFICE_DOC=$doc "$bin/quorvex-bench" --benchmark_filter=BM_LoadOfficeDocument \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true --benchmark_time_unit=ms \
    2>/dev/null | awk '/BM_LoadOfficeDocument_median/ { print $2 / 1000 }')
  echo "load:                            ${load} s"
  read -r list kb < <(measure "$bin/quorvex-host" run --doc "$doc" --command ListParagraphUsage)
  echo "List Paragraph Usage:            ${list} s ($(ratio "$list" "$load") x load), host peak $((kb / 1024)) MB ($(ratio $((kb * 1024)) "$unpacked") x unpacked)"
  cp "$doc" "$work/del.$fmt"
  read -r del kb < <(measure "$bin/quorvex-host" run --doc "$work/del.$fmt" \
    --command DeleteUnusedParagraphs --save)
  echo "Delete Unused, load to save:     ${del} s, host peak $((kb / 1024)) MB ($(ratio $((kb * 1024)) "$unpacked") x unpacked)"
  cp "$doc" "$work/del.$fmt"
  read -r s kb < <(measure "$bin/quorvex-host" run --process --doc "$work/del.$fmt" \
    --command DeleteUnusedParagraphs --save)
  echo "  the same with the client as a process over ONC RPC: ${s} s"
  mkdir -p "$work/lo"
  read -r lo kb < <(measure soffice --headless "$profile" --convert-to "$fmt" --outdir "$work/lo" "$doc")
  echo "LibreOffice open and save:       ${lo} s, peak $((kb / 1024)) MB"
  echo "Delete Unused / LibreOffice:     $(ratio "$del" "$lo")"
done
