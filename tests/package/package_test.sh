#!/usr/bin/env bash
# Builds the Debian package with CPack, checks what it holds, unpacks it
# into a folder of its own and builds the C host example against the
# unpacked files alone (pkg-config, at -std=c11 -pedantic -Werror), then
# runs that host and the packaged kestrin-host on them. The machine hive
# that the package brings must hold the registration already, naming the
# server beside it, so that a copy of the editor folder still activates.
#
#   package_test.sh BUILD_DIR SOURCE_DIR WORK CC
set -euo pipefail
build=$1 source=$2 work=$3 cc=$4
for tool in cpack dpkg-deb pkg-config; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work/home" "$work/registry" "$work/run"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/out/*.deb)

# The package's files, as dpkg-deb lists them.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$work/contents"
for path in /usr/bin/kestrin-host /usr/include/kestrin/host.h /usr/lib/pkgconfig/kestrin.pc \
    /usr/lib/kestrin/editor/KestrinScriptEditor.so /usr/lib/kestrin/editor/libkestrin_platform.so.1 \
    /usr/lib/kestrin/editor/KzLangDef.csv /usr/lib/kestrin/editor/machine.db \
    /usr/lib/kestrin/editor/Addlets/kzenvb.dll \
    /usr/lib/kestrin/editor/Data /usr/lib/kestrin/editor/VB /usr/lib/kestrin/editor/Help \
    /usr/lib/kestrin/editor/Common/Temp; do
  grep -qx "$path" "$work/contents" || { cat "$work/contents"; fail "the package lacks $path"; }
done
# The windowed face, where the build has one.
if [ -e "$build/editor/libkestrin_gui.so" ]; then
  grep -qx /usr/lib/kestrin/editor/libkestrin_gui.so "$work/contents" || fail "the package lacks the windowed face"
fi
# Nothing of the build or the tests goes with it.
if grep -E '\.(a|o)$|/tests?/|gtest|CMakeFiles' "$work/contents"; then fail "the package holds build files"; fi

root=$work/root
dpkg-deb -x "$deb" "$root"
editor=$root/usr/lib/kestrin/editor
# The soname carries the major version; the component asks for that name.
soname=$(readelf -d "$editor/libkestrin_platform.so.1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libkestrin_platform.so.1 ] || fail "the platform library's soname is \"$soname\""
readelf -d "$editor/KestrinScriptEditor.so" | grep -q 'NEEDED.*\[libkestrin_platform\.so\.1\]' ||
  fail "the component does not ask for libkestrin_platform.so.1"

export PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$root/usr/lib/pkgconfig PKG_CONFIG_PATH=
flags=$(pkg-config --cflags --libs kestrin) || fail "pkg-config does not know kestrin"
[ "$(pkg-config --modversion kestrin)" = "$(sed -n 's/^#define KESTRIN_VERSION_MAJOR //p' "$root/usr/include/kestrin/host.h").$(sed -n 's/^#define KESTRIN_VERSION_MINOR //p' "$root/usr/include/kestrin/host.h").$(sed -n 's/^#define KESTRIN_VERSION_PATCH //p' "$root/usr/include/kestrin/host.h")" ] ||
  fail "pkg-config's version is not the header's"
# shellcheck disable=SC2086
"$cc" -std=c11 -Wall -Wextra -Werror -pedantic "$source/examples/host-c/host_c.c" -o "$work/host-c" $flags ||
  fail "the C host does not build with: $flags"

# The package's registration, used as it stands by a copy of the editor
# folder elsewhere: each class activates, from the server in the copy.
moved=$work/moved-editor
cp -a "$editor" "$moved"
# shellcheck disable=SC2086
"$cc" -std=c11 -Wall -Wextra -Werror -pedantic "$source/tests/package/registered.c" -o "$work/registered" $flags ||
  fail "the registration check does not build"
env -u KESTRIN_REGISTRY HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/run" LD_LIBRARY_PATH="$moved" \
    "$work/registered" "$moved" >"$work/registered.log" 2>&1 ||
  { cat "$work/registered.log"; fail "the package's machine hive does not activate every class"; }
servers=$(sed -n 's/^server: //p' "$work/registered.log")
[ "$servers" = "$(readlink -f "$moved")/KestrinScriptEditor.so" ] ||
  { cat "$work/registered.log"; fail "the registration names a server other than the one beside the hive"; }
# A host that chooses no registry folder finds the same registration, in
# the hive of the editor folder its platform library lies in, before any
# component is loaded.
env -u KESTRIN_REGISTRY HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/run" LD_LIBRARY_PATH="$moved" \
    "$work/registered" "" >"$work/registered-default.log" 2>&1 ||
  { cat "$work/registered-default.log"; fail "without a registry folder the installed registration is not found"; }
[ "$(sed -n 's/^server: //p' "$work/registered-default.log")" = "$servers" ] ||
  { cat "$work/registered-default.log"; fail "without a registry folder another server was activated"; }
cmp -s "$editor/machine.db" "$moved/machine.db" || fail "activation wrote into the machine hive"

cp "$source/examples/hello.vbs" "$work/hello.vbs"
env -u KESTRIN_REGISTRY KESTRIN_DESKTOP=off HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/run" LD_LIBRARY_PATH="$editor" \
    "$work/host-c" "$work/registry" "$work/hello.vbs" >"$work/host-c.log" 2>&1 ||
  { cat "$work/host-c.log"; fail "the C host built from the package failed"; }
grep -qx "KestrinGetVersion: $(pkg-config --modversion kestrin)" "$work/host-c.log" ||
  { cat "$work/host-c.log"; fail "KestrinGetVersion does not give the package's version"; }
grep -q "^all steps as expected$" "$work/host-c.log" || { cat "$work/host-c.log"; fail "the C host's steps"; }
# It ran with the unpacked platform library, not the build's.
grep -q "^unloaded: yes$" "$work/host-c.log" || fail "the component stayed loaded"

# The packaged host finds the editor folder beside itself, without help.
echo quit | env KESTRIN_DESKTOP=off HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/run" \
    "$root/usr/bin/kestrin-host" --console --registry "$work/registry" "$work/hello.vbs" \
    >"$work/kestrin-host.log" 2>&1 || { cat "$work/kestrin-host.log"; fail "the packaged kestrin-host failed"; }
found=$(ldd "$root/usr/bin/kestrin-host" | sed -n 's/.*libkestrin_platform\.so\.1 => \([^ ]*\) .*/\1/p')
[ -n "$found" ] && [ "$(readlink -f "$found")" = "$(readlink -f "$editor/libkestrin_platform.so.1")" ] ||
  fail "the packaged kestrin-host runs with the platform library \"$found\""
echo "package $(basename "$deb"): as expected"
