#!/usr/bin/env bash
# Installs the kit from build dir $1 into a scratch prefix, then builds the example of
# examples/sdk twice against the installed copy only -- once with pkg-config, once with
# find_package -- and checks what it prints. $3 holds extra compiler flags (sanitizers).
set -euo pipefail
build=$1 src=$2 extra=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cp "$src/examples/sdk/example.c" "$src/examples/sdk/CMakeLists.txt" "$work/"
expected=$'0 Body\n1 body\n2 heading1\n3 Heading2\nwidth 9.00 pt.'

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
[ "$(pkg-config --modversion quorvex)" != "" ]
pkg-config --print-requires-private quorvex | grep -q libtirpc
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror -pedantic $extra "$work/example.c" \
  $(pkg-config --cflags --libs quorvex) -o "$work/by-pkgconfig"
out=$("$work/by-pkgconfig" 2>&1)
[ "$out" = "$expected" ] || { echo "pkg-config build printed:"; echo "$out"; exit 1; }

cmake -S "$work" -B "$work/b" -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_C_FLAGS="$extra" -DCMAKE_EXE_LINKER_FLAGS="$extra" >/dev/null
cmake --build "$work/b" >/dev/null
out=$("$work/b/sdk-example" 2>&1)
[ "$out" = "$expected" ] || { echo "find_package build printed:"; echo "$out"; exit 1; }
echo "installed kit builds and runs the example"
