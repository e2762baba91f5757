#!/usr/bin/env bash
# The start of a terminal host, measured from outside under tmux: from the
# start of the program to the first screen of a 1 MB script (its first line
# on the screen), and the resident memory at that moment; a first start
# (the class registered into a new machine hive) and a later one (the
# hive, logs and settings of a start before). Beside them, in the same
# run: the later start with the toolkit's libraries preloaded (as every
# host had them when the windowed face was linked into the platform
# library), and nano on the same file when it is installed.
#
#   terminal_start.sh HOST EDITOR_DIR [RUNS]
set -euo pipefail
host=$1 editor=$2 runs=${3:-7}
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 0; }
work=$(mktemp -d)
sock="kestrin-bench-start-$$"
printf 'set -g status off\n' > "$work/tmux.conf"
tmx() { tmux -L "$sock" -f "$work/tmux.conf" "$@"; }
trap 'tmx kill-server >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# A 1 MB script whose first line is a marker.
{
  printf "' first line of the start benchmark\r\n"
  for ((i = 0; i < 17000; ++i)); do
    printf 'Dim value%d : value%d = "%s" & %d\r\n' $i $i "some text of the line" $i
  done
} > "$work/script.vbs"
size=$(stat -c %s "$work/script.vbs")

toolkit=""
for lib in libQt6Widgets.so.6 libQt6PrintSupport.so.6; do
  path=$(ldconfig -p | awk -v l="$lib" '$1 == l {print $NF; exit}')
  [ -n "$path" ] && toolkit="$toolkit${toolkit:+:}$path"
done

# The folders of an editor that started once before (its class registered
# in the machine hive, as an installed package has it, its logs and
# settings written), kept in $work/before by prepare_before.
fresh=1

# One start: prints "MILLISECONDS RSS_KB". A first start (fresh=1) finds
# an empty registry folder and registers the class into a new hive;
# a later one (fresh=0) finds the folders of the start before.
start_once() {
  local preload=$1; shift
  rm -rf "$work/editor" "$work/home" "$work/registry"
  if ((fresh)); then
    cp -r "$editor" "$work/editor"
    rm -f "$work/editor"/*.db* "$work/editor"/*.log
    mkdir -p "$work/home" "$work/registry"
  else
    cp -a "$work/before/editor" "$work/before/home" "$work/before/registry" "$work/"
  fi
  tmx kill-server >/dev/null 2>&1 || true
  local t0 t1 pid rss=0
  t0=$(date +%s%N)
  tmx new-session -d -s b -x 120 -y 40 \
    env HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state" \
    TERM=xterm-256color LD_PRELOAD="$preload" "$@"
  pid=$(tmx display -p -t b '#{pane_pid}')
  while :; do
    if tmx capture-pane -p -t b 2>/dev/null | grep -q "first line of the start benchmark"; then break; fi
    t1=$(date +%s%N)
    if (((t1 - t0) > 30000000000)); then echo "timeout"; return; fi
  done
  t1=$(date +%s%N)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  tmx kill-server >/dev/null 2>&1 || true
  echo "$(((t1 - t0) / 1000000)) $rss"
}

prepare_before() {
  fresh=1
  start_once "" "$@" >/dev/null
  mkdir -p "$work/before"
  cp -a "$work/editor" "$work/home" "$work/registry" "$work/before/"
  [ -e "$work/before/registry/machine.db" ] || { echo "no machine hive after a first start"; exit 1; }
  fresh=0
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

measure() {
  local name=$1 preload=$2; shift 2
  local results=()
  for ((r = 0; r < runs; ++r)); do results+=("$(start_once "$preload" "$@")"); done
  local ms kb
  ms=$(printf '%s\n' "${results[@]}" | awk '{print $1}' | median)
  kb=$(printf '%s\n' "${results[@]}" | awk '{print $2}' | median)
  printf '%-44s %6s ms %8s kB resident\n' "$name" "$ms" "$kb"
}

echo "start to the first screen of a $((size / 1024)) kB script, median of $runs runs:"
hostcmd=("$host" --terminal --no-bridge --editor "$work/editor" --registry "$work/registry" "$work/script.vbs")
measure "kestrin-host --terminal, first start" "" "${hostcmd[@]}"
prepare_before "${hostcmd[@]}"
measure "kestrin-host --terminal, a later start" "" "${hostcmd[@]}"
[ -n "$toolkit" ] && measure "the same, toolkit preloaded" "$toolkit" "${hostcmd[@]}"
if command -v nano >/dev/null; then
  measure "nano (baseline)" "" nano "$work/script.vbs"
else
  echo "nano is not installed: no baseline (apt-get install nano)"
fi
