#!/usr/bin/env bash
# End-to-end tests of the terminal desktop under tmux: a person's keys and
# mouse sent to a pane, the screen read back from it.
#   e2e.sh CASE HOST COM_HOST EDITOR_DIR WORK_DIR
# Each case ends with the host gone and the terminal given back (line mode
# and echo on, no mouse reporting, no alternate screen). Exit 77: no tmux.
set -euo pipefail
case_name=$1 host=$2 com_host=$3 editor=$4 work=$5
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 77; }

rm -rf "$work"
mkdir -p "$work/home"
cp -r "$editor" "$work/editor"
rm -rf "$work/editor"/*.db* "$work/editor"/*.log "$work/editor"/*.tsk "$work/editor"/*.atb \
  "$work/editor/Bookmarks.txt" "$work/editor/_Temp.vbs"
printf "' The script of the test.\r\nOption Explicit\r\n" > "$work/script.vbs"

sock="kestrin-e2e-$case_name-$$"
printf 'set -g escape-time 10\nset -g status off\n' > "$work/tmux.conf"
tmx() { tmux -L "$sock" -f "$work/tmux.conf" "$@"; }
trap 'tmx kill-server >/dev/null 2>&1 || true' EXIT

fail() {
  echo "FAIL: $*"
  echo "--- the screen:"
  tmx capture-pane -p -t e2e 2>/dev/null || true
  exit 1
}

# Starts the pane: the command, then what the terminal is like after it.
start() {
  local term=$1; shift
  cat > "$work/run.sh" <<RUN
#!/usr/bin/env bash
cd "$work"
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" TERM=$term KESTRIN_BRIDGE_LOG="$work/bridge.log"
unset KESTRIN_DESKTOP
$(printf '%q ' "$@")
echo "HOST-EXIT=\$?"
stty -a | tr ' ;' '\n\n' | grep -x -e icanon -e -icanon -e echo -e -echo | tr '\n' ' '
echo "<stty"
exec sleep 600
RUN
  chmod +x "$work/run.sh"
  tmx new-session -d -x 120 -y 40 -s e2e "$work/run.sh"
}

# Starts the pane on an interactive shell with job control, its prompt
# "e2e$ "; `check.sh $?` typed there reports as run.sh does after the host.
start_shell() {
  local term=$1
  cat > "$work/check.sh" <<'CHECK'
#!/usr/bin/env bash
echo "HOST-EXIT=$1"
stty -a | tr ' ;' '\n\n' | grep -x -e icanon -e -icanon -e echo -e -echo | tr '\n' ' '
echo "<stty"
CHECK
  cat > "$work/shell.sh" <<RUN
#!/usr/bin/env bash
cd "$work"
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" TERM=$term KESTRIN_BRIDGE_LOG="$work/bridge.log"
export PS1='e2e\$ '
unset KESTRIN_DESKTOP
exec bash --norc --noprofile -i
RUN
  chmod +x "$work/check.sh" "$work/shell.sh"
  tmx new-session -d -x 120 -y 40 -s e2e "$work/shell.sh"
}

# The last line of the screen that is not blank.
last_line() { screen | sed 's/[[:space:]]*$//' | grep -v '^$' | tail -1; }

screen() { tmx capture-pane -p -t e2e; }

# Waits (polling) until the screen shows the text.
wait_for() {
  local text=$1 tries=${2:-200}
  for ((i = 0; i < tries; i++)); do
    if screen | grep -qF -- "$text"; then return 0; fi
    sleep 0.05
  done
  fail "the screen never showed: $text"
}

wait_gone() {
  local text=$1
  for ((i = 0; i < 200; i++)); do
    if ! screen | grep -qF -- "$text"; then return 0; fi
    sleep 0.05
  done
  fail "the screen still shows: $text"
}

keys() { tmx send-keys -t e2e "$@"; }
typed() { tmx send-keys -t e2e -l "$1"; }

# A click of the left button at a cell counted from 1, as an SGR report.
click() {
  local col=$1 row=$2 b=${3:-0}
  local hex
  hex=$(printf '\033[<%d;%d;%dM\033[<%d;%d;%dm' "$b" "$col" "$row" "$b" "$col" "$row" | od -An -tx1)
  # shellcheck disable=SC2086
  tmx send-keys -t e2e -H $hex
}

# The cell (column row, from 1) where the text first shows.
cell_of() {
  screen | python3 -c '
import sys
text = sys.argv[1]
for row, line in enumerate(sys.stdin.read().split("\n"), 1):
    if text in line:
        print(line.index(text) + 1, row); break' "$1"
}

# The host has ended and the terminal is as it was.
finish() {
  wait_for "HOST-EXIT=0"
  wait_for "<stty"
  screen | grep -q "icanon echo <stty" || fail "the terminal's line mode and echo are not back"
  local flags
  flags=$(tmx display -p -t e2e '#{mouse_any_flag}#{mouse_sgr_flag}#{alternate_on}')
  [ "$flags" = 000 ] || fail "the pane still has mouse, SGR or alternate screen on: $flags"
  echo "PASS: $case_name"
}

editor_up() {
  wait_for "[X]"
  wait_for "' The script of the test."
}

# The close box asks whether to exit (Yes), then whether to save the
# changed script (No).
exit_by_close_box() {
  read -r col row < <(cell_of "[X]")
  click $((col + 1)) "$row"
  wait_for "want to exit"
  keys y
  wait_for "do you want to save changes"
  keys n
}

case $case_name in
  com_host)
    # A host of its own that only loads the component and calls RunEditor.
    start xterm-256color "$com_host" "$work/editor" "$work/script.vbs"
    editor_up
    wait_for "File  Edit"
    keys F10
    wait_for "Save As..."
    keys Escape
    wait_gone "Save As..."
    read -r col row < <(cell_of "[X]")
    click $((col + 1)) "$row"
    wait_for "want to exit"
    keys y
    finish
    ;;
  save_via_menu)
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    typed "Dim first"
    keys Enter
    typed "Dim second"
    keys Enter
    wait_for "Dim second"
    keys F10
    wait_for "Save As..."
    keys Down Down Down Down
    keys Enter
    wait_gone "Save As..."
    for ((i = 0; i < 100; i++)); do
      grep -q "Dim second" "$work/script.vbs" && break
      sleep 0.05
    done
    printf "Dim first\r\nDim second\r\n' The script" | cmp -s - <(head -c 35 "$work/script.vbs") ||
      fail "the saved script is not the typed one: $(head -c 40 "$work/script.vbs" | od -c)"
    # File, Exit closes by code: no question after the save.
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  options_checkbox)
    start tmux-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    keys M-e
    wait_for "Options..."
    keys o
    wait_for "Show line numbers"
    screen | grep -qF "[ ] Show line numbers" || fail "line numbers are already on"
    # From the tab strip to the sixth check box, Space, and back to OK.
    keys Tab Tab Tab Tab Tab Tab
    keys Space
    wait_for "[x] Show line numbers"
    keys BTab BTab BTab BTab BTab BTab BTab BTab BTab
    keys Enter
    wait_gone "Show line numbers"
    # The editor now numbers its lines.
    wait_for "1 ' The script of the test."
    wait_for "2 Option Explicit"
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  exit_question)
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    typed "x"
    wait_for "x' The script"
    exit_by_close_box
    finish
    grep -q "^' The script of the test." "$work/script.vbs" || fail "the answer No saved the script"
    ;;
  resize)
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    tmx resize-window -t e2e -x 80 -y 24
    for ((i = 0; i < 200; i++)); do
      [ "$(screen | head -1 | wc -L)" -le 80 ] && screen | head -1 | grep -q "\[X\]" && break
      sleep 0.05
    done
    [ "$(screen | head -1 | cut -c77-79)" = "[X]" ] || fail "the close box is not at the right of 80 columns"
    wait_for "' The script of the test."
    tmx resize-window -t e2e -x 40 -y 10
    wait_for "too small"
    tmx resize-window -t e2e -x 120 -y 40
    wait_for "' The script of the test."
    [ "$(screen | head -1 | cut -c117-119)" = "[X]" ] || fail "the close box is not at the right of 120 columns"
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  mouse_click)
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    read -r col row < <(cell_of "Explicit")
    click "$col" "$row"
    typed "Z"
    wait_for "Option ZExplicit"
    exit_by_close_box
    finish
    ;;
  suspend)
    # Ctrl+Z gives the shell its terminal back; fg brings the editor again.
    start_shell xterm-256color
    wait_for 'e2e$'
    typed "$(printf '%q ' "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs")"
    keys Enter
    editor_up
    keys C-z
    wait_for "Stopped"
    wait_gone "' The script of the test."
    for ((i = 0; i < 100; i++)); do
      [ "$(last_line)" = 'e2e$' ] && break
      sleep 0.05
    done
    [ "$(last_line)" = 'e2e$' ] || fail "the shell's prompt is not back"
    flags=$(tmx display -p -t e2e '#{mouse_any_flag}#{mouse_sgr_flag}#{alternate_on}')
    [ "$flags" = 000 ] || fail "the stopped editor left mouse, SGR or alternate screen on: $flags"
    typed "fg"
    keys Enter
    editor_up
    [ "$(tmx display -p -t e2e '#{alternate_on}')" = 1 ] || fail "the editor is back but not on the alternate screen"
    screen | head -1 | grep -qF "[X]" || fail "the main window's caption is not drawn again"
    keys M-f
    wait_for "Exit"
    keys x
    wait_gone "' The script of the test."
    typed "$work/check.sh \$?"
    keys Enter
    finish
    ;;
  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
