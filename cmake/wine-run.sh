#!/bin/sh
# Runs one Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# With no PROGRAM it only makes sure the prefix exists.
# The prefix lives in the build tree, so tests never touch the user's own ~/.wine.
prefix=$1
shift
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
  flock "$prefix.lock" sh -c '
    ready="$WINEPREFIX/.themefold-ready"
    if [ ! -f "$ready" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
    fi
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && touch "$ready"'
fi
[ $# -gt 0 ] || exit 0
if [ -x /usr/lib/wine/wine64 ]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
