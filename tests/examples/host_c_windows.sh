#!/usr/bin/env bash
# The C host example with the windowed desktop on a real X server (Xvfb,
# no window manager): the editor's main window appears under its title,
# keys typed through the server's input (XTest) edit the script, the File
# menu saves it and prints it to PDF files (read back with pdftotext), the
# Options dialog opens and closes, and the host ends once both of its
# editors are closed through the menu.
#
#   host_c_windows.sh HOST EDITOR_DIR SCRIPT WORK SCREENSHOT
#   host_c_windows.sh HOST EDITOR_DIR SCRIPT WORK --display-lost [modified|unmodified|TERM|HUP|INT|QUIT]
#   host_c_windows.sh HOST EDITOR_DIR SCRIPT WORK --window-manager SHOTS
#
# HOST is the built kestrin-host-c, EDITOR_DIR the built editor folder
# (copied into WORK, so that nothing the editor writes reaches it), SCRIPT
# the sample script (copied too), SCREENSHOT where the picture of the main
# window is written for a person to look at. With --display-lost the X
# server ends under the editor instead (or, given a signal's name, the host
# gets that signal), while the Options dialog is open over the script:
# the host ends at once, with what was saved on disk as it was, and a
# script typed into after its save kept whole in NAME.save beside it,
# which standard error names; after "unmodified" no copy is written
# anywhere. With --window-manager a
# window manager (openbox) runs on the server: the Options dialog stays on
# top of the main window and keeps the keyboard when the main window is
# clicked, and a main window maximised at exit starts maximised and is
# restored to the rectangle it had before; pictures of the main window,
# the completion list near the screen's bottom edge, every page of the
# Options dialog and the About window go to the folder SHOTS, named by
# the scale (QT_SCALE_FACTOR). KESTRIN_XVFB_SCREEN sets the server's
# screen (1280x1024x24). Exits 77 (skipped) when the machine has no Xvfb or xdotool
# (or, with --window-manager, no openbox or wmctrl).
set -euo pipefail

# shellcheck source=xvfb.sh
source "$(dirname "$0")/xvfb.sh"

if [ -z "${KESTRIN_ON_XVFB:-}" ]; then
  skip_without Xvfb xdotool
  if [ "${5:-}" = --window-manager ]; then skip_without openbox wmctrl xprop; fi
  # The run's own outcome is the one it wrote (with --display-lost its
  # server is gone by then).
  on_xvfb "$4" "${KESTRIN_XVFB_SCREEN:-1280x1024x24}" "$0" "$@"
fi

host=$1 editor_dir=$2 sample=$3 work=$4 screenshot=$5
lose_display= manager= shots=
if [ "$screenshot" = --display-lost ]; then
  lose_display=${6:-modified}
  screenshot="$work/screenshots/unused.png"
elif [ "$screenshot" = --window-manager ]; then
  manager=yes
  shots=$6
  screenshot="$shots/unused.png"
fi
title='^Kestrin VB Script Editor$'
box_title='^KestrinEditor$'

rm -rf "$work/editor" "$work/home" "$work/registry" "$work/run" "$work/print"
mkdir -p "$work/home" "$work/registry" "$work/run" "$work/print" "$(dirname "$screenshot")"
chmod 700 "$work/run" "$work/print"
cp -r "$editor_dir" "$work/editor"
rm -f "$work/editor/"*.log "$work/editor/"*.db
script="$work/windows.vbs"
cp "$sample" "$script"
rm -f "$script".save*
rm -f "$screenshot"

fail() {
  echo "FAILED: $*"
  echo 1 >"$work/outcome"
  xvfb_state
  echo "the keyboard's window: $(xdotool getwindowfocus getwindowname 2>&1 || true)"
  if import -window root "$work/screen-at-failure.png" 2>/dev/null; then
    echo "the whole screen then: $work/screen-at-failure.png"
  fi
  echo "--- the host's output:"
  cat "$work/host.out" 2>/dev/null || true
  exit 1
}

# Whether a window manager runs on the server.
wm_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
if [ -n "$manager" ]; then
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  manager_pid=$!
  trap 'kill "$manager_pid" 2>/dev/null || true' EXIT
  until_ok 20 wm_running || {
    echo "FAILED: openbox did not start"; cat "$work/openbox.log"; echo 1 >"$work/outcome"; exit 1; }
fi

# The host runs with the desktop the platform chooses (the windows, since
# the process has a display), a registry folder, home and runtime folder
# of its own; the copied editor folder's platform library is the one it
# links.
env -u KESTRIN_REGISTRY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u KESTRIN_DESKTOP \
  HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/run" \
  KESTRIN_PRINT_DIR="$work/print" LD_LIBRARY_PATH="$work/editor" \
  "$host" "$work/registry" "$script" >"$work/host.out" 2>&1 &
host_pid=$!
trap 'kill "$host_pid" ${manager_pid:-} 2>/dev/null || true' EXIT

# The visible window of that title once it is there and has the keyboard
# (the toolkit gives it the focus once the server has mapped it); nothing
# when it does not come within 20 s or does not take the keyboard within
# 10 s.
window() {
  local id
  id=$(until_out 20 first_visible "$1") || return 1
  if ! until_ok 20 focused "$id"; then
    echo "the window $1 ($id) did not take the keyboard" >&2
    return 1
  fi
  echo "$id"
}
# Waits until the window has the keyboard again.
has_keyboard() {
  until_ok 20 focused "$1"
}
# The visible windows of that title, one id a line. A search that failed
# (a window went while it looked) finds nothing, so "none" is believed
# only when a second search a moment later finds none either.
visible() {
  local ids
  ids=$(xdotool search --onlyvisible --name "$1" 2>/dev/null) || true
  if [ -z "$ids" ]; then
    sleep 0.05
    ids=$(xdotool search --onlyvisible --name "$1" 2>/dev/null) || true
  fi
  printf '%s' "$ids"
}
# Whether no visible window has that title.
none_visible() {
  [ -z "$(visible "$1")" ]
}
# Waits until no visible window has that title.
gone() {
  until_ok 20 none_visible "$1"
}
# The path of the one PDF file under the folder that holds the text (as
# pdftotext reads it), when there is exactly one.
one_pdf_holding() {
  local pdfs
  mapfile -t pdfs < <(find "$1" -name '*.pdf' -size +0)
  [ "${#pdfs[@]}" = 1 ] && pdftotext "${pdfs[0]}" - 2>/dev/null | grep -qF -- "$2" && echo "${pdfs[0]}"
}
# Waits until exactly one PDF file under the folder holds the text and
# prints its path.
pdf_holds() {
  until_out 20 one_pdf_holding "$1" "$2"
}
# Whether that window is visible.
still_visible() {
  visible "$title" | grep -qx "$1"
}
# Waits until that window is no longer visible (another of the same title
# may be by then).
closed() {
  until_ok 20 not still_visible "$1"
}
# Waits until the host has ended (else fails with the message) and sets
# status to its exit status.
host_ended() {
  until_ok 20 not running "$host_pid" || fail "$1"
  status=0
  wait "$host_pid" || status=$?
  trap - EXIT
}
# Whether the file holds the text.
file_holds() {
  [ -f "$1" ] && grep -qF -- "$2" "$1"
}
# Waits until the file holds the text.
holds() {
  until_ok 20 file_holds "$1" "$2"
}

main=$(window "$title") || true
[ -n "$main" ] || fail "no visible window is titled \"Kestrin VB Script Editor\""
echo "the main window: $main"

if [ -n "$manager" ]; then
  # shellcheck source=host_c_windows_wm.sh
  source "$(dirname "$0")/host_c_windows_wm.sh"
  exit 0
fi

# Typed into the code view, then saved with the File menu's access keys.
line="' typed through the X server"
xdotool type --delay 5 "$line"
xdotool key Return
xdotool key alt+f s
holds "$script" "$line" || fail "the typed line did not reach $script"
head -n 1 "$script" | grep -qxF -- "$line"$'\r' || fail "the script's first line is not the typed one: $(head -n 1 "$script")"

# The host loads no bridge: the save reports the missing save_scriptname
# in a box, answered with its default button. The keyboard goes back to
# the main window.
box=$(window "$box_title") || true
[ -n "$box" ] || fail "the save's report of the missing bridge did not show"
xdotool key Return
gone "$box_title" || fail "the box stayed open"
has_keyboard "$main" || fail "the main window did not get the keyboard back"

if [ -n "$lose_display" ]; then
  # Typed and not saved (or nothing typed after the save); the Options
  # dialog shows once every key before it has reached the editor. Then the
  # X server of this run ends, or the host gets the signal.
  typed="' never saved, typed"
  [ "$lose_display" = unmodified ] || xdotool type --delay 5 "$typed"
  xdotool key alt+e o
  window '^Options Dialog$' >/dev/null || fail "Edit, Options showed no Options dialog"
  case $lose_display in
    modified | unmodified)
      kill "$KESTRIN_XVFB_PID"
      expected=1 ;;
    *)
      kill -s "$lose_display" "$host_pid"
      expected=$((128 + $(kill -l "$lose_display"))) ;;
  esac
  host_ended "the host still runs"
  [ "$status" = "$expected" ] || fail "the host ended with $status, not $expected"
  case $lose_display in modified | unmodified)
    grep -qF "the display went away; the editor ends" "$work/host.out" ||
      fail "the host did not say that the display went away" ;;
  esac
  holds "$script" "$line" || fail "the saved line is no longer in $script"
  if grep -qF "never saved" "$script"; then fail "the unsaved typing was written to $script"; fi
  state="$work/home/.local/state/kestrin"
  if [ "$lose_display" = unmodified ]; then
    if compgen -G "$script.save*" >/dev/null || [ -n "$(ls -A "$state" 2>/dev/null)" ]; then
      fail "an unmodified script left a copy: $(ls "$script".save* "$state" 2>&1)"
    fi
    if grep -qF "unsaved changes" "$work/host.out"; then fail "the host spoke of unsaved changes"; fi
    echo "the host ended, the unmodified script as it was and no copy of it"
  else
    copy="$script.save"
    [ -f "$copy" ] || fail "no copy $copy of the unsaved typing"
    grep -qxF "Kestrin VB Script Editor: the unsaved changes of $script are in $copy" "$work/host.out" ||
      fail "standard error did not name the copy $copy"
    # The saved script with the typing at the start of its second line.
    { head -n 1 "$script"; printf '%s' "$typed"; tail -n +2 "$script"; } | cmp -s - "$copy" ||
      fail "the copy is not the script with every typed key: $(head -n 3 "$copy")"
    [ "$(stat -c %a "$copy")" = 600 ] || fail "the copy has the mode $(stat -c %a "$copy"), not 600"
    echo "the host ended ($status), the script as it was saved and the typing in $copy"
  fi
  echo 0 >"$work/outcome"
  exit 0
fi
xdotool type --delay 5 "' and after the box"
xdotool key Return
xdotool key alt+f s
holds "$script" "' and after the box" || fail "keys typed after the box did not reach the script"
window "$box_title" >/dev/null || fail "the second save's report did not show"
xdotool key Return
gone "$box_title" || fail "the box stayed open"
has_keyboard "$main" || fail "the main window did not get the keyboard back"

# Edit, Options: the dialog shows (its picture beside the main window's);
# Escape closes it, and the keyboard is the main window's again (the
# menus below are picked with keys).
xdotool key alt+e o
options=$(window '^Options Dialog$') || true
[ -n "$options" ] || fail "Edit, Options showed no Options dialog"
options_shot="$(dirname "$screenshot")/host-c-options-dialog.png"
import -window "$options" "$options_shot" || fail "no screenshot of the Options dialog"
echo "screenshot of the Options dialog: $options_shot"
xdotool key Escape
gone '^Options Dialog$' || fail "Escape did not close the Options dialog"
has_keyboard "$main" || fail "the main window did not get the keyboard back"

# File, Print with no printer chosen: the machine has none, so the job
# becomes a PDF beside its text file in the print folder.
xdotool key alt+f p
pdf=$(pdf_holds "$work/print" "$line") || fail "File, Print left no PDF holding the script in $work/print"
echo "printed with no printer chosen: $pdf"
# File, Print Setup (two up from the end of the File menu): the toolkit's
# print dialog in its setup form, accepted with its PDF file printer and
# the file it offers in the home folder; File, Print then writes that file.
xdotool key alt+f Up Up Return
window '^Print Setup$' >/dev/null || fail "File, Print Setup showed no print setup dialog"
xdotool key Return
gone '^Print Setup$' || fail "the print setup dialog stayed open"
has_keyboard "$main" || fail "the main window did not get the keyboard back"
xdotool key alt+f p
pdf=$(pdf_holds "$work/home" "' and after the box") || fail "File, Print after Print Setup left no PDF holding the script in $work/home"
echo "printed to the PDF file of the print dialog: $pdf"

import -window "$main" "$screenshot" || fail "no screenshot of the main window"
echo "screenshot of the main window: $screenshot"

# File, Exit closes the editor; the host frees it, unloads the component,
# loads it again and opens a second editor, closed the same way.
xdotool key alt+f x
closed "$main" || fail "File, Exit did not close the main window"
# The first window is gone, so a window of the title now is the second
# editor's.
second=$(window "$title") || true
[ -n "$second" ] || fail "the second editor's main window did not show"
echo "the second main window: $second"
xdotool key alt+f x
closed "$second" || fail "File, Exit did not close the second main window"

host_ended "the host is still running"
grep -qx "all steps as expected" "$work/host.out" || fail "the host (status $status) did not end with every step as expected"
[ "$status" = 0 ] || fail "the host ended with $status"
echo "the host ended with every step as expected"
echo 0 >"$work/outcome"
