#!/bin/bash
# A Qt host's own loop under Xvfb: the host opens the editor from its
# running loop and then, while the editor is open, asks to quit or closes
# its own main window by code.
#
#   host_qt_loop.sh HOST EDITOR_DIR SCRIPT WORK quit|close|display_lost
#
# quit: the editor's close query runs (the typed text asks whether to save;
# the answer is No), the editor closes, then the host's loop ends.
# close: the editor stays open; once it is closed with File, Exit the
# host's loop ends, since the host's window was its last.
# display_lost: the host does neither; the script is typed into and the X
# server ends: the host's toolkit ends the process, and the typing is kept
# in NAME.save beside the script.
# Exit status 0 when all went so, 77 (skipped) without Xvfb or xdotool.
set -u

# shellcheck source=xvfb.sh
source "$(dirname "$0")/xvfb.sh"

if [ -z "${KESTRIN_ON_XVFB:-}" ]; then
  skip_without Xvfb xdotool
  on_xvfb "$4" 1280x1024x24 "$0" "$@"
fi

host=$1 editor_dir=$2 sample=$3 work=$4 mode=$5
title='^Kestrin VB Script Editor$'

rm -rf "$work/editor" "$work/home" "$work/registry" "$work/run" "$work/act"
mkdir -p "$work/home" "$work/registry" "$work/run"
chmod 700 "$work/run"
cp -r "$editor_dir" "$work/editor"
rm -f "$work/editor/"*.log "$work/editor/"*.db
script="$work/loop.vbs"
cp "$sample" "$script"
rm -f "$script".save*

env -u KESTRIN_REGISTRY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u KESTRIN_DESKTOP \
  HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/run" \
  LD_LIBRARY_PATH="$work/editor" \
  "$host" "$work/registry" "$script" "${mode/display_lost/none}" "$work/act" >"$work/host.out" 2>&1 &
host_pid=$!
trap 'kill "$host_pid" 2>/dev/null || true' EXIT

fail() {
  echo "FAILED: $*"
  xvfb_state
  echo "--- the host's output:"
  cat "$work/host.out"
  exit 1
}
# The visible window of that title once it has the keyboard, within 20 s
# each.
window() {
  local id
  id=$(until_out 20 first_visible "$1") || return 1
  until_ok 20 focused "$id" || return 1
  echo "$id"
}
# Waits (at most 20 s) until the host has ended; sets status.
host_ended() {
  until_ok 20 not running "$host_pid" || return 1
  status=0
  wait "$host_pid" || status=$?
  trap - EXIT
  return 0
}
# A visible window of the main window's title other than it, with the
# keyboard.
other_focused() {
  local id
  id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -vx "$main" | head -n 1) || return 1
  [ -n "$id" ] && focused "$id" && echo "$id"
}
# The editor's question (a window of the main window's title other than
# it) once it has the keyboard.
question() {
  until_out 20 other_focused
}
# Whether the window is visible.
shown() {
  xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -qx "$1"
}
# Waits until the window is no longer visible.
gone() {
  until_ok 20 not shown "$1"
}
# Waits until the host's output has the line.
said() {
  until_ok 20 grep -qxF -- "$1" "$work/host.out"
}
# Whether the host's own window is visible.
host_window_shown() {
  xdotool search --onlyvisible --name '^Qt host$' >/dev/null 2>&1
}

main=$(window "$title") || fail "the editor's window did not show with the keyboard"
xdotool search --onlyvisible --name '^Qt host$' >/dev/null || fail "the host's own window is not shown"

if [ "$mode" = display_lost ]; then
  typed="' typed before the display went away"
  xdotool type --delay 5 "$typed"
  # The Options dialog shows once every key before it has reached the
  # editor.
  xdotool key alt+e o
  window '^Options Dialog$' >/dev/null || fail "Edit, Options showed no Options dialog"
  kill "$KESTRIN_XVFB_PID"
  host_ended || fail "the host still runs without its display"
  [ "$status" = 1 ] || fail "the host ended with $status, not 1"
  cmp -s "$sample" "$script" || fail "the unsaved typing reached $script"
  grep -qxF "Kestrin VB Script Editor: the unsaved changes of $script are in $script.save" "$work/host.out" ||
    fail "standard error did not name the copy $script.save"
  { printf '%s' "$typed"; cat "$sample"; } | cmp -s - "$script.save" ||
    fail "the copy is not the script with every typed key: $(head -n 2 "$script.save" 2>&1)"
  echo "the host ended without its display, the typing kept in $script.save"
  exit 0
fi

if [ "$mode" = quit ]; then
  xdotool type --delay 5 "' typed before the quit"
  touch "$work/act"
  said "the host asks to quit" || fail "the host did not act"
  # The close query, as with the close box: Yes to the exit, No to saving
  # the typed text.
  box=$(question) || fail "the quit did not ask whether to exit"
  xdotool key y
  gone "$box" || fail "the exit question stayed open"
  box=$(question) || fail "the exit did not ask whether to save the typed text"
  xdotool key n
else
  touch "$work/act"
  said "the host closes its window" || fail "the host did not act"
  until_ok 20 not host_window_shown || fail "the host's window did not close"
  # The editor stays open, and so does the host.
  xdotool search --onlyvisible --name "$title" | grep -qx "$main" || fail "the editor closed with the host's window"
  kill -0 "$host_pid" 2>/dev/null || fail "the host ended while the editor was open"
  # The keyboard may have gone with the host's window: the editor's
  # window is given it again.
  xdotool windowactivate "$main" 2>/dev/null || xdotool windowfocus "$main"
  until_ok 20 focused "$main" || true
  xdotool key alt+f x
fi

host_ended || fail "the host's loop did not end after the editor closed"
said "the editor closed" || fail "the editor did not close"
grep -qxF "all steps as expected" "$work/host.out" || fail "the host (status $status) did not end with every step as expected"
[ "$status" = 0 ] || fail "the host ended with $status"
# In that order: the editor closed, then the host's loop ended.
[ "$(grep -nxF "the editor closed" "$work/host.out" | cut -d: -f1)" -lt \
  "$(grep -nxF "the host's loop ended" "$work/host.out" | cut -d: -f1)" ] ||
  fail "the host's loop ended before the editor closed"
if [ "$mode" = quit ] && grep -qF "typed before the quit" "$script"; then fail "the answer No saved the script"; fi
# An exit the person chose leaves no emergency copy.
if compgen -G "$script.save*" >/dev/null || [ -e "$work/home/.local/state/kestrin" ]; then
  fail "the exit left an emergency copy"
fi
echo "the host's loop ended after the editor closed ($mode)"
