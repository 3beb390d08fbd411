#!/bin/sh
# Remakes the reference .res files of the corpus with llvm-rc. A script may name its
# options on its first line: "// options: /c65001". Run after changing a script.
# Also the references of the bundled headers (made with mingw-w64's headers) and of the
# Visual Basic script (made from its twin with "LANGUAGE 9, 1", which llvm-rc reads).
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

mingw=/usr/share/mingw-w64/include
cd ../headers
for script in headers.rc richedit.rc vsdialog.rc; do
  llvm-rc /i "$mingw" /fo "${script%.rc}.res" "$script" 2>/dev/null
done
cd ../msrc
sed 's/LANGUAGE 0x0409, 0/LANGUAGE 9, 1/' vb.rc > twin.tmp.rc
llvm-rc /i "$mingw" /fo vb.res twin.tmp.rc 2>/dev/null
rm -f twin.tmp.rc
