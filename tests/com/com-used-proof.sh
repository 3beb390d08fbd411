#!/bin/sh
# Proof that --com-used finds what a built Visual Basic program records: a probe shaped as
# Visual Basic builds a program names calc.dll and Calc's class id in its component table.
# Without a manifest CoCreateInstance answers REGDB_E_CLASSNOTREG; once themefold-batch
# --embed --com-used has written the manifest into the probe, Calc is created unregistered
# and its method returns its value. With calc.dll absent the run names Calc's class id, and
# a program Visual Basic did not build is refused.
#
# com-used-proof.sh PREFIX SERVER_DLL PROBE_EXE RUNTIME_DLL WORK_DIR BATCH_EXE
set -eu
prefix=$1 server=$2 probe=$3 runtime=$4 work=$5 batch=$6
# Absolute: the batch runs from the probe's folder.
run="$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run.sh"

# The batch run in $work/DIR: its output, CR taken off; its exit code.
batch_in() { # batch_in DIR ARGS...
  dir=$1
  shift
  set +e
  (cd "$work/$dir" && "$run" "$prefix" "$batch" "$@") >"$work/out" 2>&1
  code=$?
  set -e
  tr -d '\r' <"$work/out"
  return $code
}

rm -rf "$work"
mkdir -p "$work/app" "$work/lone"
for dir in app lone; do
  cp "$probe" "$work/$dir/probe.exe"
  cp "$runtime" "$work/$dir/MSVBVM60.DLL"
done
cp "$server" "$work/app/calc.dll"

plain=$("$run" "$prefix" "$work/app/probe.exe" | tr -d '\r' || true)
printf "without a manifest: %s\n" "$plain"
case "$plain" in *"CoCreateInstance 0x80040154"*) ;; *)
  echo "FAIL: without a manifest the class should not be registered"; exit 1 ;; esac

told=$(batch_in app --embed --com-used probe.exe) || {
  printf "%s\n" "$told"; echo "FAIL: --embed --com-used did not succeed"; exit 1; }
printf "%s\n" "$told"
case "$told" in *"not found"*)
  echo "FAIL: calc.dll lies beside the probe"; exit 1 ;; esac
with=$("$run" "$prefix" "$work/app/probe.exe" | tr -d '\r' || true)
printf "with the manifest:  %s\n" "$with"
case "$with" in *"CoCreateInstance 0x00000000"*"sum 5"*) ;; *)
  echo "FAIL: the manifest did not lead COM to the unregistered server"; exit 1 ;; esac

# Not there: the program still gets its manifest, and the class id it would need is named.
lone=$(batch_in lone --embed --com-used probe.exe) || {
  printf "%s\n" "$lone"; echo "FAIL: a missing component stopped the run"; exit 1; }
printf "%s\n" "$lone"
missing="calc.dll not found beside the program: class {6b1f3c2e-8d4a-4e57-9a51-2f0c7e1d3a12}"
if ! printf "%s\n" "$lone" | grep -qiF "$missing"; then
  echo "FAIL: the missing calc.dll was not named with Calc's class id"; exit 1
fi

# calc.dll itself was not built by Visual Basic.
code=0
refused=$(batch_in app --embed --com-used calc.dll) || code=$?
printf "%s\n" "$refused"
case "$code:$refused" in "2:"*"calc.dll was not built by Visual Basic"*) ;; *)
  echo "FAIL: --com-used took a library Visual Basic did not build (exit $code)"; exit 1 ;; esac
echo "PASS: the component the program records was found, and created through the manifest only"
