# Sourced by the tests that run on an X server of their own (Xvfb): the
# server's start and the waits, all by the clock, so that a busy machine
# only makes them slower.

# skip_without PROGRAM...: ends the test as skipped (77) when the machine
# lacks one of the programs.
skip_without() {
  local program
  for program in "$@"; do
    if ! command -v "$program" >/dev/null; then
      echo "$program is not installed: the test is skipped"
      exit 77
    fi
  done
}

# The time in milliseconds.
now_ms() {
  local t=${EPOCHREALTIME/[.,]/}
  echo $((t / 1000))
}

# until_ok SECONDS COMMAND...: runs the command every 0.05 s until it
# succeeds; fails when it has not within SECONDS.
until_ok() {
  local end=$(($(now_ms) + $1 * 1000))
  shift
  while :; do
    "$@" && return 0
    [ "$(now_ms)" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# until_out SECONDS COMMAND...: as until_ok, for a command that prints what
# it found; prints the found text.
until_out() {
  local end=$(($(now_ms) + $1 * 1000)) out
  shift
  while :; do
    if out=$("$@") && [ -n "$out" ]; then
      printf '%s\n' "$out"
      return 0
    fi
    [ "$(now_ms)" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# The first visible window of that title (a search fails as a whole when a
# window it looks at goes meanwhile: the next try searches again).
first_visible() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

# Whether the window has the keyboard.
focused() {
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# not COMMAND...: succeeds when the command fails.
not() {
  ! "$@"
}

# Whether the process runs.
running() {
  kill -0 "$1" 2>/dev/null
}

# The state of this run's server, for a failure's report.
xvfb_state() {
  local n=${DISPLAY#:}
  n=${n%%.*}
  echo "the X server (pid ${KESTRIN_XVFB_PID:-?}) of the display $DISPLAY: $(running "${KESTRIN_XVFB_PID:-0}" && echo running || echo ended)," \
    "its lock held by $(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null || echo nobody)"
}

# Whether the server has ended or takes clients on its display.
xvfb_settled() {
  ! running "$xvfb_pid" || DISPLAY=":$1" xdotool getdisplaygeometry >/dev/null 2>&1
}

# on_xvfb WORK SCREEN SCRIPT ARGS...: runs bash SCRIPT ARGS on a server of
# its own, with DISPLAY, KESTRIN_XVFB_PID and KESTRIN_ON_XVFB=1 set, and
# exits with the run's outcome: what it wrote into WORK/outcome, else its
# exit status. The server is started on a display number it locks (a run's
# own number first, then the next ones while a number is taken), so that
# runs side by side never share a display, not even while one's server is
# ending and another's is starting; it is used once a client reaches it and
# it holds the lock.
on_xvfb() {
  local work=$1 screen=$2 n tries status
  shift 2
  mkdir -p "$work"
  rm -f "$work/outcome"
  n=$((100 + $$ % 800))
  for tries in $(seq 50); do
    # -noreset: the server would otherwise reset when its last client
    # leaves (the check that it takes clients), dropping or refusing a
    # client that connects meanwhile.
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset 2>"$work/xvfb.log" &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
    until_ok 30 xvfb_settled "$n" || true
    if running "$xvfb_pid" && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$xvfb_pid" ]; then
      status=0
      DISPLAY=":$n" KESTRIN_XVFB_PID=$xvfb_pid KESTRIN_ON_XVFB=1 bash "$@" || status=$?
      if [ -f "$work/outcome" ]; then exit "$(cat "$work/outcome")"; fi
      exit "$status"
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    n=$((n + 1))
  done
  echo "FAILED: Xvfb did not start"
  cat "$work/xvfb.log"
  exit 1
}
