#!/usr/bin/env bash
# End-to-end tests of the terminal desktop under tmux: a person's keys and
# mouse sent to a pane, the screen read back from it.
#   e2e.sh CASE HOST COM_HOST EDITOR_DIR WORK_DIR
# Each case ends with the host gone and the terminal given back (line mode
# and echo on, no mouse reporting, no alternate screen). Exit 77: no tmux.
#
# A run owns its world: its own home, runtime and state folders and copy of
# the editor folder, no display (a windowed face is never chosen), its own
# tmux server; every process it started is ended on any way out, and it
# ends itself before CTest's time-out would.
set -euo pipefail
case_name=$1 host=$2 com_host=$3 editor=$4 work=$5
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 77; }
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY KESTRIN_DESKTOP TMUX TMUX_PANE

rm -rf "$work"
mkdir -p "$work/home" "$work/state" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
cp -r "$editor" "$work/editor"
rm -rf "$work/editor"/*.db* "$work/editor"/*.log "$work/editor"/*.tsk "$work/editor"/*.atb \
  "$work/editor/Bookmarks.txt" "$work/editor/_Temp.vbs"
printf "' The script of the test.\r\nOption Explicit\r\n" > "$work/script.vbs"

sock="kestrin-e2e-$case_name-$$"
printf 'set -g escape-time 10\nset -g status off\nset -g extended-keys on\n' > "$work/tmux.conf"
tmx() { tmux -S "$work/runtime/tmux" -f "$work/tmux.conf" "$@"; }

# Every process of the run: the pane's session (the host and what it
# started), the tmux server, the watchdog.
pane_session=""
watchdog=""
cleanup() {
  trap - EXIT INT TERM
  if [ -z "$pane_session" ]; then
    pane_session=$(tmx display -p -t e2e '#{pane_pid}' 2>/dev/null || true)
  fi
  tmx kill-server >/dev/null 2>&1 || true
  if [ -n "$pane_session" ]; then
    pkill -KILL -s "$pane_session" 2>/dev/null || true
  fi
  if [ -n "$watchdog" ]; then
    kill "$watchdog" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'echo "FAIL: interrupted"; exit 1' INT TERM
# Below CTest's time-out (60 s), so that the cleanup above runs.
( trap 'kill "$nap" 2>/dev/null; exit 0' TERM
  sleep 50 & nap=$!
  wait "$nap" && kill -TERM $$ 2>/dev/null ) >/dev/null 2>&1 &
watchdog=$!

fail() {
  echo "FAIL: $*"
  echo "--- the screen:"
  tmx capture-pane -p -t e2e 2>/dev/null || true
  exit 1
}

# Polls until the command succeeds, for at most that many seconds of the
# clock (not a count of tries: on a busy machine each try takes longer).
# Every wait of a case stays well below the watchdog's 50 s.
poll() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  while ! "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# Starts the pane: the command, then what the terminal is like after it.
start() {
  local term=$1; shift
  cat > "$work/run.sh" <<RUN
#!/usr/bin/env bash
cd "$work"
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/state" \
  XDG_RUNTIME_DIR="$work/runtime" TERM=$term KESTRIN_BRIDGE_LOG="$work/bridge.log"
unset KESTRIN_DESKTOP QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
$(printf '%q ' "$@")
echo "HOST-EXIT=\$?"
stty -a | tr ' ;' '\n\n' | grep -x -e icanon -e -icanon -e echo -e -echo | tr '\n' ' '
echo "<stty"
exec sleep 600
RUN
  chmod +x "$work/run.sh"
  tmx new-session -d -x "${E2E_WIDTH:-120}" -y "${E2E_HEIGHT:-40}" -s e2e "$work/run.sh"
  pane_session=$(tmx display -p -t e2e '#{pane_pid}')
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
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/state" \
  XDG_RUNTIME_DIR="$work/runtime" TERM=$term KESTRIN_BRIDGE_LOG="$work/bridge.log"
export PS1='e2e\$ '
unset KESTRIN_DESKTOP QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
exec bash --norc --noprofile -i
RUN
  chmod +x "$work/check.sh" "$work/shell.sh"
  tmx new-session -d -x 120 -y 40 -s e2e "$work/shell.sh"
  pane_session=$(tmx display -p -t e2e '#{pane_pid}')
}

# The host's process id: the pane's process with the host's name.
host_pid() {
  local name pid=""
  name=$(basename "$host")
  local end=$((SECONDS + 20))
  while [ -z "$pid" ] && [ "$SECONDS" -lt "$end" ]; do
    pid=$(pgrep -s "$pane_session" -x "${name:0:15}" | head -1 || true)
    [ -n "$pid" ] || sleep 0.05
  done
  [ -n "$pid" ] || fail "the host is not running"
  echo "$pid"
}

# The last line of the screen that is not blank.
last_line() { screen | sed 's/[[:space:]]*$//' | grep -v '^$' | tail -1; }

screen() { tmx capture-pane -p -t e2e; }

shows() { screen | grep -qF -- "$1"; }
lacks() { ! screen | grep -qF -- "$1"; }

# Waits (polling) until the screen shows the text.
wait_for() { poll 20 shows "$1" || fail "the screen never showed: $1"; }

wait_gone() { poll 20 lacks "$1" || fail "the screen still shows: $1"; }

# The file holds the text (a fixed string).
file_holds() { grep -qF -- "$2" "$1" 2>/dev/null; }

# The first row is at most that wide and shows the close box: the
# desktop is drawn again at a new size.
redrawn_at() { [ "$(screen | head -1 | wc -L)" -le "$1" ] && screen | head -1 | grep -q "\[X\]"; }

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

# The texts show on rows one under the other, each a row's text as it
# stands (blanks around it aside).
rows_follow() {
  screen | python3 -c '
import sys
want = sys.argv[1:]
rows = [r.strip() for r in sys.stdin.read().split("\n")]
sys.exit(0 if any(rows[i:i + len(want)] == want for i in range(len(rows))) else 1)' "$@"
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
    poll 20 file_holds "$work/script.vbs" "Dim second" || true
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
    poll 20 redrawn_at 80 || true
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
    # SIGTSTP from outside gives the shell its terminal back; fg brings the
    # editor again.
    start_shell xterm-256color
    wait_for 'e2e$'
    typed "$(printf '%q ' "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs")"
    keys Enter
    editor_up
    kill -TSTP "$(host_pid)"
    wait_for "Stopped"
    wait_gone "' The script of the test."
    prompt_back() { [ "$(last_line)" = 'e2e$' ]; }
    poll 20 prompt_back || true
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
  undo_key)
    # Ctrl+Z is the editor's Undo: the typing goes, the editor stays.
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    typed "Dim abc"
    wait_for "Dim abc' The script"
    keys C-z
    wait_gone "Dim abc"
    wait_for "' The script of the test."
    [ "$(tmx display -p -t e2e '#{alternate_on}')" = 1 ] || fail "Ctrl+Z left the editor's screen"
    # Any key marks the script changed: the exit asks, No keeps the file.
    keys M-f
    wait_for "Exit"
    keys x
    wait_for "do you want to save changes"
    keys n
    finish
    ;;
  paste)
    # A bracketed paste of CR LF lines is one edit: no blank lines, one
    # undo step. tmux pastes the buffer's bytes as they are (-r).
    start tmux-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    printf 'Dim a\r\nDim b\r\n' > "$work/paste.txt"
    tmx load-buffer "$work/paste.txt"
    tmx paste-buffer -p -r -t e2e
    wait_for "Dim b"
    rows_follow "Dim a" "Dim b" "' The script of the test." || fail "the pasted lines are not one under the other"
    # Lines of LF alone, which tmux sends as CR: each one line.
    printf 'Dim c\nDim d\n' > "$work/paste2.txt"
    tmx load-buffer "$work/paste2.txt"
    tmx paste-buffer -p -t e2e
    wait_for "Dim d"
    rows_follow "Dim a" "Dim b" "Dim c" "Dim d" "' The script of the test." ||
      fail "the pasted LF lines are not one under the other"
    keys C-z
    wait_gone "Dim c"
    screen | grep -q "Dim b" || fail "one Undo took more than the last paste"
    keys C-z
    wait_gone "Dim a"
    keys M-f
    wait_for "Exit"
    keys x
    wait_for "do you want to save changes"
    keys n
    finish
    ;;
  wheel)
    # The wheel scrolls the view three lines a step; the caret stays, so
    # typing brings the view back to it.
    : > "$work/script.vbs"
    for ((n = 1; n <= 300; n++)); do printf "' line %d\r\n" "$n" >> "$work/script.vbs"; done
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    wait_for "[X]"
    wait_for "' line 1"
    read -r col row < <(cell_of "' line 5")
    for ((i = 0; i < 10; i++)); do
      tmx send-keys -t e2e -H $(printf '\033[<65;%d;%dM' "$col" "$row" | od -An -tx1)
    done
    wait_for "' line 31"
    wait_gone "' line 30"
    screen | grep -q "Line 1, Col 1" || fail "the caret moved"
    typed "Q"
    wait_for "Q' line 1"
    exit_by_close_box
    finish
    ;;
  run_script)
    # Run Script: the demo bridge writes its lines to its log, not over the
    # desktop, which stays whole.
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    before=$(screen | head -3)
    keys M-k
    wait_for "Run Script"
    keys r
    poll 20 file_holds "$work/state/kestrin/bridge.log" "kzenvb: run_vbscript" || true
    grep -q "kzenvb: | ' The script of the test." "$work/state/kestrin/bridge.log" ||
      fail "the bridge's log lacks the script's lines"
    wait_for "' The script of the test."
    sleep 0.3
    ! screen | grep -q "kzenvb" || fail "the bridge wrote over the desktop"
    [ "$(screen | head -3)" = "$before" ] || fail "the caption, menus or toolbar are not whole"
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  run_relative)
    # A script named without its folder, as typed in a shell: Run Script
    # hands over its copy from beside the script, the save and the return
    # find it there.
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" script.vbs
    editor_up
    keys M-k
    wait_for "Run Script"
    keys r
    poll 20 file_holds "$work/bridge.log" "run_vbscript $work/_Temp.vbs" ||
      fail "the copy was not handed over from the script's folder: $(cat "$work/bridge.log" 2>&1)"
    lacks "Error" || fail "the hand-over reported an error"
    [ -f "$work/_Temp.vbs" ] || fail "no copy beside the script: $(ls "$work")"
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  hangup)
    # A hang-up from outside while the terminal is there: the modes go back
    # before the host ends.
    start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" "$work/script.vbs"
    editor_up
    typed "Dim typed"
    wait_for "Dim typed' The script"
    kill -HUP "$(host_pid)"
    wait_for "HOST-EXIT=129"
    wait_for "<stty"
    screen | grep -q "icanon echo <stty" || fail "the terminal's line mode and echo are not back"
    flags=$(tmx display -p -t e2e '#{mouse_any_flag}#{mouse_sgr_flag}#{alternate_on}')
    [ "$flags" = 000 ] || fail "the pane still has mouse, SGR or alternate screen on: $flags"
    # The modified script is kept beside its file, every typed character.
    [ -f "$work/script.vbs.save" ] || fail "no emergency copy beside the script: $(ls "$work")"
    printf "Dim typed' The script of the test.\r\nOption Explicit\r\n" | cmp -s - "$work/script.vbs.save" ||
      fail "the emergency copy is not the typed text: $(od -c "$work/script.vbs.save" | head)"
    echo "PASS: $case_name"
    ;;
  toolbars)
    # The bars share rows while they fit: at 160 x 48 the nine take at most
    # four rows and none is cut; at 80 x 24 each bar shows all its buttons
    # or ends with a "»", and a bar left out for want of rows leaves a "»"
    # on the last row.
    E2E_WIDTH=160 E2E_HEIGHT=48 start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" \
      "$work/script.vbs"
    editor_up
    wait_for "[Hide Tasks]"
    # The bars as the screen shows them, one a line: the rows between the
    # menu bar and the text, split where a blank stands between two bars.
    bars() {
      screen | python3 -c '
import re, sys
rows = sys.stdin.read().split("\n")
for row in rows[2:]:
    row = row.rstrip()
    if not row.startswith("["):
        break
    for bar in re.split(r"(?<=[\]\u00bb]) (?=\[)", row):
        print(bar)'
    }
    bars > "$work/bars160"
    [ "$(wc -l < "$work/bars160")" -ge 9 ] || fail "fewer than nine bars at 160 columns: $(cat "$work/bars160")"
    rows=$(screen | sed -n '3,$p' | awk '!/^\[/ {exit} {n++} END {print n+0}')
    [ "$rows" -le 4 ] || fail "the bars take $rows rows at 160 columns"
    ! grep -q $'\u00bb' "$work/bars160" || fail "a bar is cut at 160 columns"
    tmx resize-window -t e2e -x 80 -y 24
    poll 20 redrawn_at 80 || true
    wait_for "' The script of the test."
    bars > "$work/bars80"
    python3 - "$work/bars160" "$work/bars80" <<'PY' || fail "the bars at 80 x 24 are not those at 160 x 48, whole or marked cut"
import re, sys
whole = open(sys.argv[1]).read().split("\n")[:-1]
shown = open(sys.argv[2]).read().split("\n")[:-1]
buttons = lambda bar: re.findall(r"\[[^\]]*\]", bar)
ok = 0 < len(shown) <= len(whole)
for i, bar in enumerate(shown):
    cut = bar.endswith("\u00bb")
    if buttons(bar) != buttons(whole[i]) and not (cut and buttons(whole[i])[:len(buttons(bar))] == buttons(bar)):
        ok = False
# Bars left out: the last one shown says so.
if len(shown) < len(whole) and not shown[-1].endswith("\u00bb"):
    ok = False
sys.exit(0 if ok else 1)
PY
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  add_function)
    # New Function at 80 x 24: the Args field is drawn under its hint, takes
    # the typing, and the function the dialog adds carries the arguments.
    E2E_WIDTH=80 E2E_HEIGHT=24 start xterm-256color "$host" --editor "$work/editor" --registry "$work/hives" \
      "$work/script.vbs"
    editor_up
    read -r col row < <(cell_of "[Add Function]")
    click $((col + 1)) "$row"
    wait_for "separate each variable with a"
    wait_for "comma, e.g. sName, sTimeStamp"
    typed "Sum"
    wait_for "[Sum "
    read -r col row < <(cell_of "comma, e.g. sName")
    field=$(screen | sed -n "$((row + 1))p")
    [[ "$field" == *"[    "*"]"* ]] || fail "no Args field under the hint"
    click $((col + 2)) $((row + 1))
    typed "a, b"
    wait_for "[a, b "
    read -r col row < <(cell_of "[ OK ]")
    click $((col + 2)) "$row"
    wait_gone "New Function"
    keys F10
    wait_for "Save As..."
    keys Down Down Down Down
    keys Enter
    wait_gone "Save As..."
    poll 20 file_holds "$work/script.vbs" "Function Sum(a, b)" || true
    grep -q "Function Sum(a, b)" "$work/script.vbs" || fail "the function lacks its arguments: $(od -c "$work/script.vbs" | head)"
    keys M-f
    wait_for "Exit"
    keys x
    finish
    ;;
  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
