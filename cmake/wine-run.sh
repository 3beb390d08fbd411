#!/bin/sh
# Runs one Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# With no PROGRAM it only makes sure the prefix exists.
# The prefix lives in the build tree, so tests never touch the user's own ~/.wine.
# A 32-bit (PE32) program needs Wine's 32-bit half (scripts/setup-wine32) and a prefix made
# with it present: each lane has a prefix of its own, in its own build folder.
prefix=$1
shift
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
