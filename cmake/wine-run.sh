#!/bin/sh
# Runs one Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix lives in the build tree, so tests never touch the user's own ~/.wine.
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko install dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # Parallel tests share one prefix; only the first one creates it.
  flock "$prefix.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1; wineserver -w'
fi
if [ -x /usr/lib/wine/wine64 ]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
