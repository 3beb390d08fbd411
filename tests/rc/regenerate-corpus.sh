#!/bin/sh
# Remakes the reference .res files of the corpus with llvm-rc. A script may name its
# options on its first line: "// options: /c65001". Run after changing a script.
set -eu
cd "$(dirname "$0")/corpus"
for script in *.rc; do
  options=$(sed -n '1s|^// options: ||p' "$script")
  out="${script%.rc}.res"
  rm -f "$out"
  # shellcheck disable=SC2086
  if ! llvm-rc $options /fo "$out" "$script" 2>/dev/null; then
    rm -f "$out"
    echo "llvm-rc failed on $script" >&2
    exit 1
  fi
done
