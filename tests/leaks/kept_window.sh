#!/usr/bin/env bash
# A main window kept after its close was cancelled keeps the component
# loaded: the C host lets go of everything, comes back to the same window,
# and ends with it still loaded, without touching unmapped code (under
# valgrind where it is installed and the build has no sanitizers).
#
#   kept_window.sh KEPT_WINDOW COMPONENT KESTRIN_HOST WORK [--valgrind]
set -euo pipefail
program=$1 component=$2 host=$3 work=$4 valgrind=${5:-}
rm -rf "$work"
mkdir -p "$work/registry" "$work/home" "$work/run"
printf 'MsgBox 1\r\n' > "$work/job.vbs"
printf "' changed\r\nMsgBox 1\r\n" > "$work/_Temp.vbs"
# The hand-over of a modified script, as the editor's Run leaves it.
cat > "$work/handover.scenario" <<END
setting KestrinEditor Preferences TempScript $work/_Temp.vbs
setting KestrinEditor Preferences LastScriptLoaded $work/job.vbs
setting KestrinEditor Preferences WasDirty True
END
env=(env KESTRIN_DESKTOP=off HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
     XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/run")
"${env[@]}" "$host" --scenario "$work/handover.scenario" --registry "$work/registry" >/dev/null \
  || { echo "FAIL: the hand-over could not be prepared"; exit 1; }
run=()
if [ "$valgrind" = --valgrind ] && command -v valgrind >/dev/null; then
  run=(valgrind --quiet --leak-check=no --error-exitcode=99 --log-file="$work/valgrind.log")
fi
status=0
out=$("${env[@]}" "${run[@]}" "$program" "$work/registry" "$component" 2>&1) || status=$?
echo "$out"
[ -f "$work/valgrind.log" ] && cat "$work/valgrind.log"
[ "$status" = 0 ] || { echo "FAIL: the host ended with $status (99: valgrind found errors)"; exit 1; }
echo "$out" | grep -q "all steps as expected" || { echo "FAIL: a step gave another result"; exit 1; }
cmp -s "$work/job.vbs" <(printf 'MsgBox 1\r\n') || { echo "FAIL: the script was written"; exit 1; }
echo "the kept window kept the component loaded to the end"
