#!/usr/bin/env bash
# Three load/unload cycles of the component under valgrind: nothing the
# component made may be lost once it is unloaded.
#
#   load_cycles.sh LOAD_CYCLES COMPONENT SCRIPT WORK
set -euo pipefail
program=$1 component=$2 script=$3 work=$4
command -v valgrind >/dev/null || { echo "SKIP: valgrind is not installed"; exit 77; }
rm -rf "$work"
mkdir -p "$work/registry" "$work/home" "$work/run"
cp "$script" "$work/script.vbs"
status=0
env KESTRIN_DESKTOP=off HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/run" \
  valgrind --quiet --keep-debuginfo=yes --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --log-file="$work/valgrind.log" \
    "$program" "$work/registry" "$component" "$work/script.vbs" 3 || status=$?
cat "$work/valgrind.log"
[ "$status" = 0 ] || { echo "FAIL: the cycles ended with $status (99: valgrind found lost memory or errors)"; exit 1; }
echo "three cycles: nothing lost"
