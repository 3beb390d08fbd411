#!/bin/sh
# Proof that registration-free COM works: an unregistered in-process server and a client
# that creates it. Without a manifest CoCreateInstance answers REGDB_E_CLASSNOTREG; with the
# manifest that themefold-batch --com made linked into the client, it succeeds and the
# method returns its value.
#
# regfree-proof.sh PREFIX SERVER_DLL SOURCE_DIR WORK_DIR RC_EXE BATCH_EXE
set -eu
prefix=$1 server=$2 source=$3 work=$4 rc=$5 batch=$6
run="$(dirname "$0")/../../cmake/wine-run.sh"
case "$(file -b "$server")" in
  *x86-64*) cxx=x86_64-w64-mingw32-g++-posix windres=x86_64-w64-mingw32-windres arch=amd64 ;;
  *) cxx=i686-w64-mingw32-g++-posix windres=i686-w64-mingw32-windres arch=X86 ;;
esac

rm -rf "$work"
mkdir -p "$work/app"
cp "$server" "$work/app/calc.dll"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
client() { # client() OUTPUT [OBJECT]
  "$cxx" -O1 -static -I"$source/.." -o "$1" "$source/CalcClient.cpp" ${2:+"$2"} -lole32 -luuid
}

client "$work/app/plain.exe"
plain=$("$run" "$prefix" "$work/app/plain.exe" | tr -d '\r' || true)
printf "without a manifest: %s\n" "$plain"
case "$plain" in *"CoCreateInstance 0x80040154"*) ;; *)
  echo "FAIL: without a manifest the class should not be registered"; exit 1 ;; esac

# The manifest is the tool's own: themefold-batch reads calc.dll's type library and the
# client's architecture (the client built without a manifest stands for it), and compiles
# the manifest into client_manifest.res, which is linked exactly as written.
cp "$work/app/plain.exe" "$work/app/client.exe"
(cd "$work/app" && "$run" "$prefix" "$batch" --com calc.dll --rc "$(winpath "$rc")" \
  --quiet --no-module --force client.exe)
manifest=$(python3 - "$work/app/client_manifest.res" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pos = 0
while pos + 8 <= len(data):
    size, header = struct.unpack_from("<II", data, pos)
    if data[pos + 8:pos + 16] == b"\xff\xff\x18\x00\xff\xff\x01\x00":
        sys.stdout.write(data[pos + header:pos + header + size].decode())
    pos += header + size
    pos += (4 - pos % 4) % 4
PY
)
case "$manifest" in *"processorArchitecture=\"$arch\""*) ;; *)
  echo "FAIL: the tool did not name the client's architecture $arch"; exit 1 ;; esac
"$windres" -J res -O coff -i "$work/app/client_manifest.res" -o "$work/manifest.o"
client "$work/app/client.exe" "$work/manifest.o"
with=$("$run" "$prefix" "$work/app/client.exe" | tr -d '\r' || true)
printf "with the manifest:  %s\n" "$with"
case "$with" in *"CoCreateInstance 0x00000000"*"sum 5"*) ;; *)
  echo "FAIL: the manifest did not lead COM to the unregistered server"; exit 1 ;; esac
echo "PASS: created through the manifest only, and the call returned its value"
