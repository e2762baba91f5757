# The windowed editor under a window manager (openbox), part of
# host_c_windows.sh --window-manager: sourced there once the first main
# window ($main) has the keyboard, with its helpers (window, gone, closed,
# has_keyboard, host_ended, fail) and $work, $shots, $title, $host_pid.
scale=${QT_SCALE_FACTOR:-1}
mkdir -p "$shots"

# A window's place and size on the screen: "X Y WIDTH HEIGHT".
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                           /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print x, y, w, h}'
}
# A window's picture, named by the scale.
shot() {
  local file="$shots/scale$scale-$2.png"
  import -window "$1" "$file" || fail "no picture of $2"
  echo "picture: $file"
}
# A part of the whole screen: what a window and its popups show there.
screen_shot() {
  local file="$shots/scale$scale-$1.png"
  import -window root -crop "$2" +repage "$file" || fail "no picture of $1"
  echo "picture: $file"
}
# The pixels of a window, to tell two pictures apart.
pixels() { import -window "$1" rgb:- 2>/dev/null | md5sum; }
# Runs the command until it succeeds, for at most 30 seconds (a busy
# machine runs each look at the server slowly).
within() { until_ok 30 "$@"; }
# Whether the window's pixels differ from the ones given.
pixels_differ() { [ "$(pixels "$1")" != "$2" ]; }
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# Waits until the window manager has given the window the keyboard.
is_active() { within active_is "$1"; }
# Whether the window's state holds both maximised states.
maximised() { xprop -id "$1" _NET_WM_STATE | grep -q 'MAXIMIZED_VERT.*MAXIMIZED_HORZ\|MAXIMIZED_HORZ.*MAXIMIZED_VERT'; }
# The window at the top of the window manager's stacking order.
topmost() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr ',' '\n' | tail -n 1 | tr -d ' '
}
hex() { printf '0x%x' "$1"; }
# Waits until the window's geometry is the one given (within 2 pixels for
# each number).
geometry_near() {
  local want=($2) got k d
  read -r -a got <<<"$(geometry "$1")"
  for k in 0 1 2 3; do
    d=$((got[k] - want[k]))
    ((d < -2 || d > 2)) && return 1
  done
  return 0
}
geometry_is() {
  within geometry_near "$1" "$2" && return 0
  echo "the window's geometry is $(geometry "$1"), not $2" >&2
  return 1
}

shot "$main" main-window

# Edit, Options: a dialog of the main window, modal, above it.
xdotool key alt+e o
options=$(window '^Options Dialog$') || true
[ -n "$options" ] || fail "Edit, Options showed no Options dialog"
props=$(xprop -id "$options" WM_TRANSIENT_FOR _NET_WM_WINDOW_TYPE _NET_WM_STATE _MOTIF_WM_HINTS WM_NORMAL_HINTS)
echo "$props"
grep -q "WM_TRANSIENT_FOR(WINDOW): window id # $(hex "$main")" <<<"$props" ||
  fail "the Options dialog is not transient for the main window"
grep -q '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG' <<<"$props" || fail "the Options dialog is no dialog"
grep -q '_NET_WM_STATE_MODAL' <<<"$props" || fail "the Options dialog is not modal"
# The window manager's functions (the Motif hints' second number) hold
# neither minimise (8) nor maximise (16); the size is fixed.
functions=$(sed -n 's/.*_MOTIF_WM_HINTS) = [^,]*, \([^,]*\),.*/\1/p' <<<"$props")
(((functions & 0x18) == 0)) || fail "the Options dialog offers minimise or maximise ($functions)"
if xprop -id "$options" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE; then
  fail "the window manager lets the Options dialog be maximised"
fi

# Every page, picked with the keyboard: the dialog opens with the focus
# on its tab strip, the arrows go from page to page.
shot "$options" options-page1
last=$(pixels "$options")
for page in 2 3 4 5; do
  xdotool key Right
  within pixels_differ "$options" "$last" || fail "Right on the tab strip did not show page $page"
  sleep 0.2
  last=$(pixels "$options")
  shot "$options" "options-page$page"
done

# A click on the main window, beside the dialog: the dialog stays on top
# and keeps the keyboard.
read -r mx my mw mh <<<"$(geometry "$main")"
xdotool mousemove $((mx + 10)) $((my + mh - 40)) click 1
sleep 0.3
is_active "$options" || fail "a click on the main window took the keyboard from the Options dialog ($(xdotool getactivewindow))"
[ "$(topmost)" = "$(hex "$options")" ] || fail "a click on the main window raised it over the Options dialog"
xdotool key Escape
gone '^Options Dialog$' || fail "Escape after the click did not close the Options dialog"
has_keyboard "$main" || fail "the main window did not get the keyboard back"

# Help, About.
xdotool key alt+h a
about=$(window '^About Kestrin') || true
[ -n "$about" ] || fail "Help, About showed no About window"
grep -q "window id # $(hex "$main")" <<<"$(xprop -id "$about" WM_TRANSIENT_FOR)" ||
  fail "the About window is not transient for the main window"
shot "$about" about
xdotool key Return
gone '^About Kestrin' || fail "Enter did not close the About window"
has_keyboard "$main" || fail "the main window did not get the keyboard back"

# Maximised, then File, Exit: the host's second editor starts maximised,
# and a restore gives it the rectangle the first had before.
normal=$(geometry "$main")
echo "the main window's normal rectangle: $normal"
wmctrl -i -r "$main" -b add,maximized_vert,maximized_horz
# Once the window manager has said so (the editor reads the state before
# the keys that follow), the form keeps its normal rectangle whenever the
# window manager's moves come.
within maximised "$main" || fail "the main window was not maximised"
xdotool key alt+f x
closed "$main" || fail "File, Exit did not close the main window"
second=$(window "$title") || true
[ -n "$second" ] || fail "the second editor's main window did not show"
within maximised "$second" || fail "the second editor did not start maximised"

# The completion list on the last line of a view as tall as the screen:
# a popup of its own, above the caret.
for i in $(seq 60); do xdotool key Return; done
xdotool type --delay 5 "Ms"
xdotool key ctrl+space
sleep 0.5
read -r sx sy sw sh <<<"$(geometry "$second")"
screen_shot completion-list-at-the-bottom "${sw}x${sh}+${sx}+${sy}"
xdotool key Escape

wmctrl -i -r "$second" -b remove,maximized_vert,maximized_horz
geometry_is "$second" "$normal" || fail "the restored window does not have the rectangle it had before it was maximised"
echo "restored to $normal"

# File, Exit; the changed script is not saved.
xdotool key alt+f x
other_window() { visible "$title" | grep -vx "$second" | head -n 1 | grep .; }
box=$(within other_window) || fail "the exit showed no save question"
has_keyboard "$box" || fail "the save question did not take the keyboard"
xdotool key n
closed "$second" || fail "File, Exit did not close the second main window"
host_ended "the host is still running"
grep -qx "all steps as expected" "$work/host.out" || fail "the host (status $status) did not end with every step as expected"
[ "$status" = 0 ] || fail "the host ended with $status"
# An exit the person chose leaves no emergency copy of what was not saved.
if compgen -G "$script.save*" >/dev/null || [ -e "$work/home/.local/state/kestrin" ]; then
  fail "the exit without saving left a copy: $(ls -d "$script".save* "$work/home/.local/state/kestrin" 2>&1)"
fi
echo "the dialogs stayed on top and the maximised window was restored to its rectangle"
echo 0 >"$work/outcome"
