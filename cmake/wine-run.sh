#!/bin/sh
# Runs one Windows program under Wine: wine-run.sh [--copy-of BASE] PREFIX PROGRAM [ARGS...]
# With no PROGRAM it only makes sure the prefix exists.
# The prefix lives in the build tree, so tests never touch the user's own ~/.wine.
# A 32-bit (PE32) program needs Wine's 32-bit half (scripts/setup-wine32) and a prefix made
# with it present: each lane has a prefix of its own, in its own build folder.
# With --copy-of, a missing PREFIX starts as a copy of BASE (made first if need be): a test
# that keeps settings in the registry gets a registry of its own for the price of a copy,
# not of another wineboot.
base=
if [ "${1:-}" = --copy-of ]; then
  base=$2
  shift 2
fi
prefix=$1
shift
if [ -n "$base" ] && [ ! -f "$prefix/.themefold-ready" ]; then
  "$0" "$base" || exit
  # Wine's own DLLs, a gigabyte that nothing writes, are hard links; the rest (the registry,
  # the user's folders) is copied. The copy is moved into place whole, so a prefix with its
  # marker is always complete.
  flock "$prefix.lock" sh -c '
    [ -f "$2/.themefold-ready" ] && exit 0
    rm -rf "$2" "$2.copying"
    mkdir -p "$2.copying" &&
      tar -C "$1" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 \
        -cf - . | tar -C "$2.copying" -xf - &&
      for dir in system32 syswow64; do
        [ ! -d "$1/drive_c/windows/$dir" ] ||
          cp -al "$1/drive_c/windows/$dir" "$2.copying/drive_c/windows/" || exit
      done &&
      mv "$2.copying" "$2"' sh "$base" "$prefix" || exit
fi
# The 64-bit loader by name: once Wine's 32-bit half is installed, the plain `wine` and
# `wineboot` wrappers start the 32-bit loader, which runs only while qemu's binfmt entry is
# registered. The 64-bit loader starts 32-bit programs through the 32-bit one by itself.
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko install dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine writes system.reg long before the prefix is usable, so a marker of our own says
# when it is done. Debian's Wine does not put its own fonts (Tahoma for the captions, Marlett
# for the caption buttons) into a new prefix; without them captions come out in a wider face
# and are cut off. A prefix made before fonts-wine was installed gets them on its next use.
ready="$prefix/.themefold-ready"
fonts="$prefix/drive_c/windows/Fonts"
if [ ! -f "$ready" ] || { [ -f /usr/share/wine/fonts/tahoma.ttf ] && [ ! -f "$fonts/tahoma.ttf" ]; }; then
  mkdir -p "$prefix"
  # Parallel tests share one prefix; only the first one creates it, the others wait.
  flock "$prefix.lock" env wine64="$wine64" sh -c '
    ready="$WINEPREFIX/.themefold-ready"
    if [ ! -f "$ready" ]; then
      "$wine64" wineboot -i >/dev/null 2>&1
      wineserver -w
    fi
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && touch "$ready"'
fi
[ $# -gt 0 ] || exit 0
# The PE header's machine field: 014c is i386.
pe_machine() {
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$at" ] && od -An -tx2 -j$((at + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
if [ -f "$1" ] && [ "$(pe_machine "$1")" = 014c ]; then
  if ! grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    echo "wine-run.sh: $1 is a 32-bit program and Wine's 32-bit half cannot start: binfmt_misc has no i386 entry (lost at every boot). Run scripts/setup-wine32 as root." >&2
    exit 125
  fi
  if [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "wine-run.sh: $1 is a 32-bit program and $prefix was made without Wine's 32-bit half. Run scripts/setup-wine32, then remove $prefix." >&2
    exit 125
  fi
fi
exec "$wine64" "$@"
