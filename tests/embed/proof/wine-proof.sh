#!/bin/sh
# Proof that a manifest embedded into built programs makes Windows (Wine) do what it should.
# The probe and library come from the build, without a manifest; embed_proof_tool writes the
# tool's own manifest into copies of them, or, given BATCH (the host lane), themefold-batch
# --embed does, as users run it on Linux, and the tool, built for Linux too, only writes the
# old manifest a program brings. Then, against the originals:
# - the embedded probe takes comctl32 from Common Controls 6 in winsxs, the plain one not;
# - the library, whose .reloc follows its resources and whose preferred base the probe
#   occupies, loads, is relocated with its pointer right, keeps its string and data, carries
#   manifest 2;
# - a probe with data appended, embedded keeping it, finds its data where it was found
#   before: right after its last section;
# - a probe built by Visual C++ 2008, whose manifest asks for its runtime (Microsoft.VC90.CRT),
#   keeps that dependency once embedded and starts with comctl32 from Common Controls 6, which
#   it would not with a runtime that is not installed;
# - a program whose code reads data after its resource tree, in the resource section, still
#   reads it, and finds its manifest, linked as usual and aligned below a page (where each
#   section's address must stay its file offset).
#
# wine-proof.sh PREFIX TOOL PROBE_EXE LIBRARY_DLL WORK_DIR MERGED_EXE FLAT_EXE [BATCH]
set -eu
prefix=$1 tool=$2 probe=$3 library=$4 work=$5 merged=$6 flat=$7 batch=${8:-}
run="$(dirname "$0")/../../../cmake/wine-run.sh"
case "$(file -b "$probe")" in
  *x86-64*) assembly=amd64_microsoft.windows.common-controls_ ;;
  *) assembly=x86_microsoft.windows.common-controls_ ;;
esac

rm -rf "$work"
mkdir -p "$work"
cp "$probe" "$work/plain.exe"
cp "$library" "$work/plain.dll"
cp "$merged" "$work/merged.exe"
cp "$flat" "$work/flat.exe"
payload="payload of an installer, 0123456789"
{ cat "$probe"; printf '%s' "$payload"; } >"$work/payload.exe"

# Wine's services keep a pipe open for long; its programs write to files. run_to NAME COMMAND...
run_to() {
  out="$work/$1.txt"
  shift
  (cd "$work" && "$@") >"$out" 2>&1 || { cat "$out"; echo "FAIL: $*"; exit 1; }
  tr -d '\r' <"$out"
}
wine_to() { # NAME PROGRAM...
  name=$1
  shift
  run_to "$name" "$run" "$prefix" "$@"
}
tool_to() { # NAME ARGS...: the tool, under Wine when it is a Windows program
  name=$1
  shift
  case "$(file -b "$tool")" in
    PE*) wine_to "$name" "$tool" "$@" ;;
    *) run_to "$name" "$tool" "$@" ;;
  esac
}
# Each IN embedded into OUT: by the tool, or into a copy by BATCH, which embeds in place.
# embed_to NAME [--keep-overlay] IN OUT [IN OUT...]
embed_to() {
  [ -n "$batch" ] || { tool_to "$@"; return; }
  name=$1
  shift
  keep=
  [ "$1" != --keep-overlay ] || { keep=$1; shift; }
  while [ $# -gt 0 ]; do
    cp "$work/$1" "$work/$2"
    run_to "$name-$2" "$batch" --embed ${keep:+"$keep"} "$2"
    shift 2
  done
}
has() { # what, output, text it must hold
  case "$2" in *"$3"*) ;; *) echo "FAIL: $1"; exit 1 ;; esac
}
line() { # output, text: the output's first line that holds the text
  printf '%s\n' "$1" | grep -F -- "$2" | head -n 1
}
lacks() { # what, output, text it must not hold
  case "$2" in *"$3"*) echo "FAIL: $1"; exit 1 ;; esac
}

embedded=$(embed_to embed plain.exe themed.exe plain.dll themed.dll)
printf "%s\n" "$embedded"
has "the library's resources were not placed past its moved .reloc" \
  "$(line "$embedded" "themed.dll: ")" "grown, discardable sections moved"
has "the probe was not built without a manifest" "$(line "$embedded" "manifest: resource 24/1")" \
  ", added"
has "the library did not get manifest 2" "$embedded" "manifest: resource 24/2"
# The library's resources outgrow their page, so .reloc must move in memory, not only in the
# file: its directory entry is then all that leads the loader to it.
reloc_address() { objdump -h "$1" | awk '$2 == ".reloc" { print $4 }'; }
[ "$(reloc_address "$work/plain.dll")" != "$(reloc_address "$work/themed.dll")" ] ||
  { echo "FAIL: .reloc kept its address; the library does not prove its move"; exit 1; }
kept=$(embed_to embed-overlay --keep-overlay payload.exe payload-themed.exe)
printf "%s\n" "$kept"
has "the overlay was not kept" "$kept" "overlay: ${#payload} bytes kept"

# The data after the tree keeps its place: the tree goes to a new section, and below a page
# that section's address is its file offset.
kept=$(embed_to embed-merged merged.exe merged-themed.exe flat.exe flat-themed.exe)
printf "%s\n" "$kept"
has "the data after the merged program's tree was not kept in place" \
  "$(line "$kept" "merged-themed.exe: ")" "new section"
has "the data after the tree was not told" "$kept" "which also holds data after its resource tree"
# Wine refuses to load it otherwise ("Bad EXE format"), as Windows does.
base=$(objdump -p "$work/flat-themed.exe" | awk '$1 == "ImageBase" { print $2 }')
objdump -h "$work/flat-themed.exe" | awk '$1 ~ /^[0-9]+$/ { print $2, $4, $6 }' |
  while read -r name address offset; do
    [ $((0x$address - 0x$base)) -eq $((0x$offset)) ] ||
      { echo "FAIL: section $name's address is not its file offset"; exit 1; }
  done
for program in merged flat merged-themed flat-themed; do
  ran=$(wine_to "run-$program" "$work/$program.exe")
  printf "%s:\n%s\n" "$program" "$ran"
  has "$program did not read its data after the tree" "$ran" "data after the tree: 42"
  case $program in
    *-themed) has "$program's manifest was not found" "$ran" "manifest 1 found" ;;
    *) has "$program had a manifest before" "$ran" "no manifest 1" ;;
  esac
done

before=$(wine_to before "$work/payload.exe" plain.dll)
after=$(wine_to after "$work/themed.exe" themed.dll)
overlay=$(wine_to overlay "$work/payload-themed.exe")
printf "before:\n%s\nafter:\n%s\nwith the overlay kept:\n%s\n" "$before" "$after" "$overlay"

lacks "without a manifest comctl32 came from winsxs" "$before" winsxs
has "without a manifest the context had an assembly for comctl32" "$before" "context (none)"
for output in "$after" "$overlay"; do
  has "the embedded probe did not load comctl32 from winsxs\\$assembly*" "$output" \
    "winsxs\\$assembly"
  context=$(line "$output" "context ")
  has "the embedded probe's context does not take comctl32 from Common Controls 6" "$context" \
    "context Microsoft.Windows.Common-Controls,"
  has "the embedded probe's context takes comctl32 from another version" "$context" 'version="6.'
done

for output in "$before" "$after"; do
  lacks "the library did not load" "$output" "library not loaded"
  has "the library was not moved off its preferred base" "$output" ": moved"
  has "the loader did not relocate the library's pointer" "$output" "relocated pointer holds"
  has "the library's string was lost" "$output" "library string: kept by the embedding"
  has "the library's data was lost" "$output" "library data: 3587 bytes, ending end"
done
has "the plain library already had a manifest 2" "$before" "library manifest 2: 0 bytes"
lacks "the embedded library has no manifest 2" "$after" "library manifest 2: 0 bytes"

has "the plain probe did not find its data after its last section" "$before" \
  "overlay ${#payload} bytes: $payload"
has "the embedded probe did not find its data after its last section" "$overlay" \
  "overlay ${#payload} bytes: $payload"
echo "PASS: embedded probes take comctl32 from winsxs ($assembly*) and the plain one not;" \
  "the library with .reloc moved loads relocated with its string, data and manifest 2; the" \
  "appended data is found after the last section; data after a resource tree is read where" \
  "it was, as usual and below a page"

# ---- A program's old manifest and its CRT dependency --------------------------------------
crt_dependency_kept() {
  case "$assembly" in amd64*) arch=amd64 ;; *) arch=x86 ;; esac
  for version in 9.0.21022.8 99.0.0.0; do
    cat >"$work/crt-$version.manifest" <<EOF
<?xml version='1.0' encoding='UTF-8' standalone='yes'?>
<assembly xmlns='urn:schemas-microsoft-com:asm.v1' manifestVersion='1.0'>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level='asInvoker' uiAccess='false' />
      </requestedPrivileges>
    </security>
  </trustInfo>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type='win32' name='Microsoft.VC90.CRT' version='$version' processorArchitecture='$arch' publicKeyToken='1fc8b3b9a1e18e3b' />
    </dependentAssembly>
  </dependency>
</assembly>
EOF
    tool_to "crt-$version-old" --manifest "crt-$version.manifest" plain.exe \
      "crt-$version-old.exe" >/dev/null
    report=$(embed_to "crt-$version-merge" "crt-$version-old.exe" "crt-$version.exe")
    printf "%s\n" "$report"
    has "the merge did not add Common Controls 6" "$report" \
      "dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0"
    lacks "the merge changed the CRT dependency" "$report" "Microsoft.VC90.CRT"
  done
  grep -q "name='Microsoft.VC90.CRT' version='9.0.21022.8'" "$work/crt-9.0.21022.8.exe" ||
    { echo "FAIL: the embedded manifest lost the CRT dependency"; exit 1; }
  # A dependency the loader cannot resolve costs the whole manifest (Windows does not start
  # the program; Wine starts it without its activation context): so Common Controls 6 below
  # proves that the runtime was found.
  missing=$(wine_to crt-missing "$work/crt-99.0.0.0.exe")
  has "a program that needs a missing runtime kept its manifest; the proof proves nothing" \
    "$missing" "context (none)"
  crt=$(wine_to crt-run "$work/crt-9.0.21022.8.exe")
  printf "with the CRT dependency kept:\n%s\n" "$crt"
  has "the merged probe did not load comctl32 from winsxs" "$crt" "winsxs\\$assembly"
  has "the merged probe's context does not take comctl32 from Common Controls 6" \
    "$(line "$crt" "context ")" "context Microsoft.Windows.Common-Controls,"
  echo "PASS: a probe whose old manifest asks for Microsoft.VC90.CRT keeps it once embedded," \
    "and takes comctl32 from Common Controls 6 (Wine resolves the runtime from winsxs; one" \
    "asking for a runtime not there gets no activation context)"
}
crt_dependency_kept
