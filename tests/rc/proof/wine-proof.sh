#!/bin/sh
# Proof that the generated resource works: the tool's script for a probe program,
# compiled by our rc.exe under Wine, linked into a probe of the build's width, makes the
# probe load comctl32.dll from winsxs, from the assembly of its own architecture (x86 for
# the i686 build, amd64 for the x86_64 one); the same probe without it loads the system one.
# Wine reads manifests leniently, so the manifest is also taken back out of the .res and
# checked with a strict XML parser.
#
# wine-proof.sh PREFIX RC_EXE PROOF_GENERATION_EXE PROOF_SOURCE_DIR WORK_DIR [MINGW_TRIPLE]
set -eu
prefix=$1 rc=$2 generation=$3 source=$4 work=$5 triple=${6:-x86_64-w64-mingw32}
run="$(dirname "$0")/../../../cmake/wine-run.sh"
cc=$triple-gcc
windres=$triple-windres
case "$triple" in
  i686-*) assembly=x86_microsoft.windows.common-controls_ ;;
  *) assembly=amd64_microsoft.windows.common-controls_ ;;
esac

rm -rf "$work"
mkdir -p "$work/target folder"
target="$work/target folder/probe.exe"

# The generation, as the tool runs it (Z: is the Unix root under Wine).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# Output goes to files, not pipes: the wineserver and Wine's services that the first Wine
# program starts inherit its output and hold a pipe (this script's, or CTest's) open for as
# long as other tests keep the prefix busy.
"$run" "$prefix" "$generation" "$(winpath "$rc")" "$(winpath "$target")" >"$work/generation.txt" 2>&1 ||
  { cat "$work/generation.txt"; exit 1; }
tr -d '\r' <"$work/generation.txt"
res="$work/target folder/probe_manifest.res"
test -f "$res" || { echo "FAIL: no .res"; exit 1; }

# The .res becomes an object file and goes into the probe.
"$windres" -J res -O coff -i "$res" -o "$work/manifest.o"
"$cc" -O1 -o "$target" "$source/Probe.c" "$work/manifest.o" -lcomctl32
"$cc" -O1 -o "$work/plain.exe" "$source/Probe.c" -lcomctl32

"$run" "$prefix" "$target" >"$work/themed.txt" 2>&1
"$run" "$prefix" "$work/plain.exe" >"$work/plain.txt" 2>&1
themed=$(tr -d '\r' <"$work/themed.txt")
plain=$(tr -d '\r' <"$work/plain.txt")
printf "with the generated .res: %s\n" "$themed"
printf "without it:              %s\n" "$plain"
case "$themed" in *winsxs\\$assembly*) ;; *) echo "FAIL: the themed probe did not load comctl32 from winsxs\\$assembly*"; exit 1 ;; esac
case "$plain" in *winsxs*) echo "FAIL: the plain probe loaded comctl32 from winsxs"; exit 1 ;; esac

# The manifest back out of the .res: type 24, id 1.
python3 - "$res" "$work/extracted.manifest" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pos, found = 0, None
while pos + 8 <= len(data):
    size, header = struct.unpack_from("<II", data, pos)
    if data[pos + 8:pos + 16] == b"\xff\xff\x18\x00\xff\xff\x01\x00":
        found = data[pos + header:pos + header + size]
    pos += header + size
    pos += (4 - pos % 4) % 4
if found is None:
    sys.exit("FAIL: no manifest resource in the .res")
open(sys.argv[2], "wb").write(found)
PY
xmllint --noout "$work/extracted.manifest"
echo "PASS: Common Controls 6 from winsxs ($assembly*), and the embedded manifest is well-formed XML"
