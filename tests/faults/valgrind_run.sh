#!/bin/sh
# Runs one client end to end through the substitute host with the client under valgrind memcheck:
#   valgrind_run.sh SOURCE_DIR CLIENT HOST-ARGS...
# Every "@TMP@" in HOST-ARGS becomes a scratch folder holding a copy of examples/manual. Passes
# when the host reports success and valgrind found no invalid access and no definite leak.
set -eu
src=$1
client=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp -r "$src/examples/manual" "$tmp/manual"
cat > "$tmp/client" <<WRAP
#!/bin/sh
exec valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  --show-leak-kinds=definite --log-file="$tmp/vg.%p" "$client" "\$@"
WRAP
chmod +x "$tmp/client"
set -- "$@" --client "$tmp/client"
for a in "$@"; do
  shift
  set -- "$@" "$(printf '%s' "$a" | sed "s|@TMP@|$tmp|g")"
done
status=0
"$QUORVEX_HOST_BIN_RUN" "$@" > "$tmp/out" 2>&1 || status=$?
found=0
for f in "$tmp"/vg.*; do
  [ -e "$f" ] || continue
  found=1
  if [ -s "$f" ]; then
    echo "valgrind found errors:"
    cat "$f"
    status=1
  fi
done
if [ "$found" = 0 ]; then
  echo "the client never ran under valgrind"
  status=1
fi
[ "$status" = 0 ] || cat "$tmp/out"
exit "$status"
