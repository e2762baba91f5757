#!/usr/bin/env bash
# The start of a terminal host, measured from outside under tmux: from the
# start of the program to the first screen of a 1 MB script (its first line
# on the screen), the resident memory at that moment and the time the
# program was on a processor until then. Measured, in one run:
# - the build's editor folder: a first start (the class registered into a
#   new machine hive) and a later one (the hives, logs and settings that a
#   start before, closed by File, Exit, left);
# - an installed editor (`cmake --install` into a prefix, which registers
#   the class), read-only for its user (owned by the superuser and run as
#   another user through setpriv; run as an ordinary user, without write
#   permission): the user's first start (no store, no overlay hive, fresh
#   home and runtime folders) and a later one of the same user;
# - the build's later start with the toolkit's libraries preloaded (as
#   every host had them when the windowed face was linked into the
#   platform library);
# - nano on the same file when it is installed, as this user and, where
#   the installed editor runs as another user, as that user too.
#
# The cases take turns, one start of each per round, and each figure is
# the median of RUNS rounds.
#
#   terminal_start.sh HOST EDITOR_DIR [RUNS] [BUILD_DIR]
# BUILD_DIR (the build folder to install from) is the host's build folder
# by default.
set -euo pipefail
host=$1 editor=$2 runs=${3:-7}
build=${4:-$(cd "$(dirname "$host")/.." && pwd)}
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 0; }
work=$(mktemp -d)
chmod 755 "$work"
# The user's runtime folder on a memory file system, as a login session's
# (/run/user/UID) is, where one can be made.
rt_base=$(mktemp -d /dev/shm/kestrin-bench-XXXXXX 2>/dev/null) || rt_base=$work
chmod 755 "$rt_base"
runtime=$rt_base/runtime
sock="kestrin-bench-start-$$"
printf 'set -g status off\n' > "$work/tmux.conf"
tmx() { tmux -L "$sock" -f "$work/tmux.conf" "$@"; }
trap 'tmx kill-server >/dev/null 2>&1 || true; chmod -R u+w "$work" 2>/dev/null; rm -rf "$work" "$rt_base"' EXIT

# A 1 MB script whose first line is a marker.
{
  printf "' first line of the start benchmark\r\n"
  for ((i = 0; i < 17000; ++i)); do
    printf 'Dim value%d : value%d = "%s" & %d\r\n' $i $i "some text of the line" $i
  done
} > "$work/script.vbs"
chmod 644 "$work/script.vbs"
size=$(stat -c %s "$work/script.vbs")

toolkit=""
for lib in libQt6Widgets.so.6 libQt6PrintSupport.so.6; do
  path=$(ldconfig -p | awk -v l="$lib" '$1 == l {print $NF; exit}')
  [ -n "$path" ] && toolkit="$toolkit${toolkit:+:}$path"
done

# The installed editor and the user who runs it.
prefix=$work/prefix
installed=""
if [ -f "$build/cmake_install.cmake" ] && cmake --install "$build" --prefix "$prefix" >/dev/null 2>&1 &&
   [ -f "$prefix/lib/kestrin/editor/machine.db" ]; then
  installed=$prefix/bin/kestrin-host
else
  echo "no install from $build: the installed editor's starts are not measured"
fi
as_user=()
user_name="this user"
user_script=$work/script.vbs
if [ -n "$installed" ]; then
  if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    user_name="uid 65534"
    # The user's own script in a folder of the user's (where nano can
    # make its lock file), as a user edits.
    mkdir "$work/user"
    cp "$work/script.vbs" "$work/user/script.vbs"
    chown -R 65534:65534 "$work/user"
    user_script=$work/user/script.vbs
  else
    chmod -R a-w "$prefix"
  fi
fi

# The state of a case: "fresh" (nothing of a start before) or "before"
# (what a start before left, kept in $work/before-CASE by prepare).
state=fresh

# Copies a folder as a start finds it: the libraries, which a start never
# writes, hard-linked where the file system allows it, the rest copied.
# Libraries copied anew before every start would still be on their way to
# the disk while the start maps them, and removing them after it would
# keep the disk busy discarding their blocks during the next start: costs
# that no installed program (nano neither) pays.
copy_folder() {
  local from=$1 to=$2
  if ! cp -a --link "$from" "$to" 2>/dev/null; then
    rm -rf "$to"
    cp -a "$from" "$to"
    return
  fi
  find "$to" -type f ! -name '*.so' ! -name '*.so.*' ! -name '*.dll' -print0 |
    while IFS= read -r -d '' f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done
}

# Makes the folders of one start of a case.
set_up() {
  local name=$1 f
  rm -rf "$work/editor" "$work/home" "$work/registry" "$runtime"
  if [ "$state" = before ]; then
    for f in editor home registry; do
      [ -e "$work/before-$name/$f" ] && copy_folder "$work/before-$name/$f" "$work/$f"
    done
    copy_folder "$work/before-$name/runtime" "$runtime"
    return
  fi
  mkdir -p "$work/home" "$runtime"
  chmod 700 "$runtime"
  case $name in
    build)
      copy_folder "$editor" "$work/editor"
      rm -f "$work/editor"/*.db* "$work/editor"/*.log
      mkdir -p "$work/registry"
      ;;
  esac
  if [ "$name" != build ] && ((${#as_user[@]})); then chown -R 65534:65534 "$work/home" "$runtime"; fi
}

# The command of a case, into cmd.
command_of() {
  case $1 in
    build) cmd=("$host" --terminal --no-bridge --editor "$work/editor" --registry "$work/registry" "$work/script.vbs") ;;
    installed) cmd=("${as_user[@]}" "$installed" --terminal --no-bridge "$user_script") ;;
    nano) cmd=(nano "$work/script.vbs") ;;
    nano-user) cmd=("${as_user[@]}" nano "$user_script") ;;
  esac
}

# One start: prints "MILLISECONDS RSS_KB CPU_MS" (the time the program
# was on a processor until its first screen, which the machine's load
# changes much less than the time on the clock). With a third argument the
# editor is closed by File, Exit after its first screen, as a user does.
start_once() {
  local name=$1 preload=$2 close=${3:-}
  set_up "$name"
  tmx kill-server >/dev/null 2>&1 || true
  local t0 t1 pid rss=0 cpu=0 cmd=()
  command_of "$name"
  t0=$(date +%s%N)
  tmx new-session -d -s b -x 120 -y 40 \
    env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$runtime" LANG="${LANG:-C.UTF-8}" \
    TERM=xterm-256color LD_PRELOAD="$preload" "${cmd[@]}"
  pid=$(tmx display -p -t b '#{pane_pid}')
  while :; do
    if tmx capture-pane -p -t b 2>/dev/null | grep -q "first line of the start benchmark"; then break; fi
    t1=$(date +%s%N)
    if (((t1 - t0) > 30000000000)); then echo "timeout"; return; fi
  done
  t1=$(date +%s%N)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  cpu=$(cat "/proc/$pid/task"/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%.1f", ns / 1000000}')
  if [ -n "$close" ]; then
    local end=$((SECONDS + 20))
    tmx send-keys -t b M-f
    until tmx capture-pane -p -t b 2>/dev/null | grep -q "Exit" || ((SECONDS > end)); do sleep 0.05; done
    tmx send-keys -t b x
    while [ -d "/proc/$pid" ] && ((SECONDS <= end)); do sleep 0.05; done
  fi
  tmx kill-server >/dev/null 2>&1 || true
  echo "$(((t1 - t0) / 1000000)) $rss $cpu"
}

# Keeps what a first start of the case, closed by File, Exit, left.
prepare() {
  local name=$1
  state=fresh
  start_once "$name" "" close >/dev/null
  mkdir -p "$work/before-$name"
  for f in editor home registry; do
    [ -e "$work/$f" ] && copy_folder "$work/$f" "$work/before-$name/$f"
  done
  copy_folder "$runtime" "$work/before-$name/runtime"
  state=before
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

# The cases: label, name, state, preload. Their starts take turns (one
# start of each case, then the next round), so that a machine whose load
# changes during the run weighs on every case alike.
labels=() names=() states=() preloads=()
add_case() { labels+=("$1") names+=("$2") states+=("$3") preloads+=("$4"); }

echo "start to the first screen of a $((size / 1024)) kB script, median of $runs runs, load $(cut -d' ' -f1-3 /proc/loadavg):"
prepare build
[ -e "$work/before-build/registry/machine.db" ] || { echo "no machine hive after a first start"; exit 1; }
add_case "build: first start (class registered, new hive)" build fresh ""
add_case "build: a later start" build before ""
if [ -n "$installed" ]; then
  prepare installed
  [ -e "$work/before-installed/home/.local/state/kestrin/editor/machine.db" ] ||
    echo "(no overlay hive in the user's store after a first start closed by File, Exit)"
  add_case "installed, read-only: $user_name's first start" installed fresh ""
  add_case "installed, read-only: $user_name's later start" installed before ""
fi
[ -n "$toolkit" ] && add_case "build: a later start, toolkit preloaded" build before "$toolkit"
if command -v nano >/dev/null; then
  add_case "nano (baseline)" nano fresh ""
  ((${#as_user[@]})) && add_case "nano (baseline), as $user_name" nano-user fresh ""
else
  echo "nano is not installed: no baseline (apt-get install nano)"
fi

results=()
for ((r = 0; r < runs; ++r)); do
  for i in "${!names[@]}"; do
    state=${states[$i]}
    results[i]+="$(start_once "${names[$i]}" "${preloads[$i]}")"$'\n'
  done
done
for i in "${!names[@]}"; do
  ms=$(printf '%s' "${results[$i]}" | awk 'NF {print $1}' | median)
  kb=$(printf '%s' "${results[$i]}" | awk 'NF {print $2}' | median)
  cpu=$(printf '%s' "${results[$i]}" | awk 'NF {print $3}' | median)
  printf '%-52s %6s ms %8s kB resident %7s ms on a processor\n' "${labels[$i]}" "$ms" "$kb" "$cpu"
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
