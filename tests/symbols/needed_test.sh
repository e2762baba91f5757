#!/usr/bin/env bash
# What a terminal host maps at its start: neither the host nor the editor
# folder's libraries name the archive library or the font library (with
# the libraries those pull in), which are opened by the paths that use
# them, nor the toolkit, which the windowed face's own library brings.
#
#   needed_test.sh EDITOR_DIR HOST
set -euo pipefail
editor=$1 host=$2
command -v readelf >/dev/null || { echo "SKIP: readelf is not installed"; exit 77; }
fail=0
for f in "$host" "$editor/libkestrin_platform.so" "$editor/KestrinScriptEditor.so"; do
  needed=$(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  [ -n "$needed" ] || { echo "FAIL: no library needed by $f (not read?)"; fail=1; continue; }
  bad=$(echo "$needed" | grep -E '^lib(zip|fontconfig|freetype|crypto|Qt6)' || true)
  if [ -n "$bad" ]; then
    echo "FAIL: $(basename "$f") needs at its start: $(echo $bad)"
    fail=1
  fi
done
[ "$fail" = 0 ] && echo "needed: no archive, font or toolkit library at start"
exit $fail
