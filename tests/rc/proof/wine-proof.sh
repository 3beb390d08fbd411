#!/bin/sh
# Proof that the generated resource works: the tool's script for a probe program,
# compiled by our rc.exe under Wine, linked into a probe of the build's width, makes the
# probe load comctl32.dll from winsxs, from the assembly of its own architecture (x86 for
# the i686 build, amd64 for the x86_64 one), which the tool read from the probe itself; the
# .res is linked exactly as the tool wrote it. The same probe without it loads the system one.
# With every manifest setting on, comctl32 still comes from winsxs, and on Windows 10
# GetVersionEx reports 10.0 instead of the 6.2 a program without "Supported Windows versions"
# gets. The code page "UTF-8" makes GetACP 65001; "Legacy" keeps the system's, as no setting
# does (Wine has no system-wide UTF-8 to opt out of). Wine reads manifests leniently, so the
# manifests are also taken back out of the .res, checked with a strict XML parser, and the
# settings Wine does not act on (run level, DPI, GDI scaling, long paths, printer driver
# isolation) are checked where Windows looks for them, namespaces included.
#
# wine-proof.sh PREFIX RC_EXE PROOF_GENERATION_EXE PROOF_SOURCE_DIR WORK_DIR [MINGW_TRIPLE]
set -eu
prefix=$1 rc=$2 generation=$3 source=$4 work=$5 triple=${6:-x86_64-w64-mingw32}
run="$(dirname "$0")/../../../cmake/wine-run.sh"
cc=$triple-gcc
windres=$triple-windres
case "$triple" in
  i686-*) assembly=x86_microsoft.windows.common-controls_ architecture=X86 ;;
  *) assembly=amd64_microsoft.windows.common-controls_ architecture=amd64 ;;
esac

rm -rf "$work"
mkdir -p "$work"

# Wine programs write to files, not pipes: the wineserver and Wine's services that the first
# Wine program starts inherit its output and hold a pipe (this script's, or CTest's) open for
# as long as other tests keep the prefix busy. wine_to FILE PROGRAM [ARGS...]
wine_to() {
  out=$1
  shift
  "$run" "$prefix" "$@" >"$out" 2>&1 || { cat "$out"; echo "FAIL: $*"; exit 1; }
}

# Windows 10 for the probes alone, as winecfg sets it for one program, so that the other
# tests sharing the prefix keep its own version.
for exe in probe.exe plain.exe; do
  wine_to "$work/reg.txt" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /d win10 /f
done

# The generation, as the tool runs it (Z: is the Unix root under Wine), for a probe in the
# folder $1 with the settings that follow: the probe is built first, as a user's program is,
# then linked again with the .res as it came from the compiler.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
make_probe() {
  folder=$1
  shift
  mkdir -p "$folder"
  "$cc" -O1 -o "$folder/probe.exe" "$source/Probe.c" -lcomctl32
  wine_to "$folder/generation.txt" "$generation" "$(winpath "$rc")" "$(winpath "$folder/probe.exe")" "$@"
  tr -d '\r' <"$folder/generation.txt"
  test -f "$folder/probe_manifest.res" || { echo "FAIL: no .res in $folder"; exit 1; }
  "$windres" -J res -O coff -i "$folder/probe_manifest.res" -o "$folder/manifest.o"
  "$cc" -O1 -o "$folder/probe.exe" "$source/Probe.c" "$folder/manifest.o" -lcomctl32
}

# The manifest back out of a .res: type 24, id 1.
extract() {
  python3 - "$1" "$2" <<'PY'
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
  xmllint --noout "$2"
}

has() { # what, output, text it must hold
  case "$2" in *"$3"*) ;; *) echo "FAIL: $1"; exit 1 ;; esac
}
lacks() { # what, output, text it must not hold
  case "$2" in *"$3"*) echo "FAIL: $1"; exit 1 ;; esac
}

plain_folder="$work/target folder"
all_folder="$work/every setting"
make_probe "$plain_folder"
make_probe "$all_folder" SupportedOS=1 ExecutionLevel=asInvoker DpiAwareness=permonitorv2 \
  GdiScaling=1 LongPathAware=1 ActiveCodePage=legacy PrinterDriverIsolation=1
utf8_folder="$work/utf-8"
make_probe "$utf8_folder" ActiveCodePage=utf-8
"$cc" -O1 -o "$work/plain.exe" "$source/Probe.c" -lcomctl32

wine_to "$work/themed.txt" "$plain_folder/probe.exe"
wine_to "$work/plain.txt" "$work/plain.exe"
wine_to "$work/every.txt" "$all_folder/probe.exe"
themed=$(tr -d '\r' <"$work/themed.txt")
plain=$(tr -d '\r' <"$work/plain.txt")
every=$(tr -d '\r' <"$work/every.txt")
wine_to "$work/utf8.txt" "$utf8_folder/probe.exe"
utf8=$(tr -d '\r' <"$work/utf8.txt")
printf "with the generated .res:\n%s\n" "$themed"
printf "without it:\n%s\n" "$plain"
printf "with every setting on:\n%s\n" "$every"
printf "with the code page UTF-8:\n%s\n" "$utf8"
has "the themed probe did not load comctl32 from winsxs\\$assembly*" "$themed" "winsxs\\$assembly"
lacks "the plain probe loaded comctl32 from winsxs" "$plain" winsxs
has "without supported versions the themed probe is not told Windows 8 (6.2)" "$themed" \
  "version 6.2"
has "the plain probe is not told Windows 8 (6.2)" "$plain" "version 6.2"
has "with every setting the probe did not load comctl32 from winsxs\\$assembly*" "$every" \
  "winsxs\\$assembly"
has "with supported versions the probe is not told Windows 10 (10.0)" "$every" "version 10.0"
system_code_page=${plain##*code page }
has "with the code page UTF-8 the probe does not run in 65001" "$utf8" "code page 65001"
has "with the code page UTF-8 the probe did not load comctl32 from winsxs\\$assembly*" "$utf8" \
  "winsxs\\$assembly"
has "with the code page Legacy the probe left the system's code page $system_code_page" "$every" \
  "code page $system_code_page"
lacks "the system's code page is already UTF-8" "$system_code_page" 65001

extract "$plain_folder/probe_manifest.res" "$work/plain.manifest"
extract "$all_folder/probe_manifest.res" "$work/every.manifest"

# Element $1 in namespace $2, as a step of an XPath.
el() { printf "/*[local-name()='%s' and namespace-uri()='%s']" "$1" "$2"; }
v1=urn:schemas-microsoft-com:asm.v1
v3=urn:schemas-microsoft-com:asm.v3
smi=http://schemas.microsoft.com/SMI
settings="$(el assembly $v1)$(el application $v3)$(el windowsSettings $v3)"
privileges="$(el assembly $v1)$(el trustInfo $v3)$(el security $v3)$(el requestedPrivileges $v3)"
compatibility="$(el assembly $v1)$(el compatibility urn:schemas-microsoft-com:compatibility.v1)"
query() { # file, XPath, expected value
  got=$(xmllint --xpath "$2" "$1")
  [ "$got" = "$3" ] || { echo "FAIL: $2 in $1 is '$got', not '$3'"; exit 1; }
}
query "$work/every.manifest" "string($privileges$(el requestedExecutionLevel $v3)/@level)" asInvoker
query "$work/every.manifest" "string($privileges$(el requestedExecutionLevel $v3)/@uiAccess)" false
query "$work/every.manifest" "string($settings$(el dpiAware $smi/2005/WindowsSettings))" true/pm
query "$work/every.manifest" "string($settings$(el dpiAwareness $smi/2016/WindowsSettings))" \
  "PerMonitorV2, PerMonitor"
query "$work/every.manifest" "string($settings$(el gdiScaling $smi/2017/WindowsSettings))" true
query "$work/every.manifest" "string($settings$(el longPathAware $smi/2016/WindowsSettings))" true
query "$work/every.manifest" "string($settings$(el activeCodePage $smi/2019/WindowsSettings))" \
  Legacy
query "$work/every.manifest" \
  "string($settings$(el printerDriverIsolation $smi/2011/WindowsSettings))" true
query "$work/every.manifest" \
  "count($compatibility/*[local-name()='application']/*[local-name()='supportedOS'])" 5
identity="$(el assembly $v1)$(el assemblyIdentity $v1)"
dependency="$(el assembly $v1)$(el dependency $v1)$(el dependentAssembly $v1)$(el assemblyIdentity $v1)"
for manifest in "$work/plain.manifest" "$work/every.manifest"; do
  query "$manifest" "string($identity/@processorArchitecture)" $architecture
  query "$manifest" "string($dependency/@processorArchitecture)" $architecture
done
query "$work/plain.manifest" "count($(el assembly $v1)/*)" 3
echo "PASS: Common Controls 6 from winsxs ($assembly*, the tool's $architecture) with and without" \
  "every setting, GetVersionEx 6.2" \
  "without supported versions and 10.0 with them, GetACP 65001 with the code page UTF-8 and" \
  "the system's $system_code_page with Legacy, and well-formed manifests that carry" \
  "each setting where Windows reads it"
