#!/usr/bin/env bash
# An install that its users may not write, shared by two users: installed
# into a temporary prefix, made read-only (owned by the superuser and run
# as two other users; or, run as an ordinary user, without write
# permission, the two users then being two homes of one account), and used
# by each user one after the other through the C host and a console host
# fed with commands. Each user's editor opens, saves, stores its placement
# and logs in that user's store; the install stays byte for byte.
# usage: read_only_install.sh BUILD_DIR SOURCE_DIR CC KESTRIN_HOST
set -uo pipefail
build=$1 source=$2 cc=$3 host=$4
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrin-read-only-XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
editor=$prefix/lib/kestrin/editor
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "the install failed"
[ -f "$editor/machine.db" ] || fail "the install holds no class registration"
"$cc" -std=c11 -Wall -Wextra -I"$prefix/include" "$source/examples/host-c/host_c.c" -o "$work/host-c" \
  "$editor/libkestrin_platform.so" -Wl,-rpath,"$editor" -ldl || fail "the C host does not build"

if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null || { echo "setpriv is missing: skipped"; exit 77; }
  users=(65534 65533)
  as() { local uid=$1; shift; setpriv --reuid="$uid" --regid=65534 --clear-groups -- "$@"; }
else
  chmod -R a-w "$prefix"
  users=(self-1 self-2)
  as() { shift; "$@"; }
fi
tree() { (cd "$prefix" && find . -printf '%p %m %s\n' | sort && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(tree)

for user in "${users[@]}"; do
  home=$work/home-$user
  mkdir -p "$home"
  cp "$source/examples/hello.vbs" "$home/hello.vbs"
  printf 'caret 1 1\ntype "'"'"' by %s\\r\\n"\ntool ID_FileSave\nquit\n' "$user" > "$home/input.txt"
  [ "$(id -u)" = 0 ] && chown -R "$user:65534" "$home"
  env=(env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home" LANG=C.UTF-8)
  # The C host: registration (into the user's overlay), the editor opened
  # and closed twice.
  out=$(as "$user" "${env[@]}" "$work/host-c" "" "$home/hello.vbs" "$editor/KestrinScriptEditor.so" 2>&1)
  echo "$out" | grep -q "all steps as expected" || fail "the C host as $user: $out"
  # The console host: a line typed and saved, the editor closed.
  out=$(as "$user" "${env[@]}" "$host" --console --no-bridge --editor "$editor" "$home/hello.vbs" \
          < "$home/input.txt" 2>&1)
  echo "$out" | grep -q "RunEditor -> [1-9]" || fail "the console host as $user: $out"
  head -1 "$home/hello.vbs" | grep -q "' by $user" || fail "the script was not saved as $user: $(head -2 "$home/hello.vbs")"
  store=$home/.local/state/kestrin/editor
  for f in kzScriptTrace.log kzScriptErr.log Kz.atb vbsed.tsk machine.db; do
    [ -e "$store/$f" ] || fail "$user's store lacks $f: $(ls -la "$store" 2>&1)"
  done
  grep -qa "frmMain" "$store"/machine.db || fail "$user's placement is not in the user's overlay hive"
  # Each hive was closed at the end of the runs: only its own file stays.
  left=$(find "$store" "$home/.local/share/kestrin" \( -name '*-wal' -o -name '*-shm' -o -name '*-journal' \) 2>/dev/null)
  [ -z "$left" ] || fail "files of open hives were left behind: $left"
  echo "$user: store $(cd "$store" && ls | tr '\n' ' ')"
  [ "$user" = "${users[0]}" ] && first_logs=$(cat "$store"/kzScriptTrace.log "$store"/kzScriptErr.log | sha256sum)
done

[ "$(tree)" = "$before" ] || fail "the install changed: $(diff <(echo "$before") <(tree) | head)"
first=$work/home-${users[0]}/.local/state/kestrin/editor
second=$work/home-${users[1]}/.local/state/kestrin/editor
[ -s "$first/kzScriptTrace.log" ] || fail "the first user's trace log went with the second user's start"
[ "$(cat "$first"/kzScriptTrace.log "$first"/kzScriptErr.log | sha256sum)" = "$first_logs" ] ||
  fail "the first user's logs changed while the second user used the editor"
echo "the install is unchanged; each user has a store of their own"
