#!/usr/bin/env bash
# The shared libraries of the editor folder export what hosts use and
# nothing more: the component the four entry points of a server, the
# windowed face its one entry point, the platform library the host
# functions of kestrin/host.h and the platform's own C++ interface
# (namespace platform), which the component, kestrin-host and the windowed
# face are built on; no instantiation of the standard library or a toolkit.
#
#   exports_test.sh EDITOR_DIR HOST_HEADER
set -euo pipefail
editor=$1 header=$2
command -v nm >/dev/null || { echo "SKIP: nm is not installed"; exit 77; }
fail=0
exports() { nm -D --defined-only "$1" | awk '{print $3}' | sort; }

check_exact() {  # LIBRARY NAMES...
  local lib=$1; shift
  local want got
  want=$(printf '%s\n' "$@" | sort)
  got=$(exports "$editor/$lib")
  if [ "$want" != "$got" ]; then
    echo "FAIL: $lib exports"; diff <(echo "$want") <(echo "$got") || true
    fail=1
  fi
}

check_exact KestrinScriptEditor.so DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer
if [ -e "$editor/libkestrin_gui.so" ]; then
  check_exact libkestrin_gui.so kestrin_gui_open
fi

platform=$editor/libkestrin_platform.so
# Every function the header declares, and no other C name.
declared=$(sed -n 's/^[A-Za-z_][A-Za-z_0-9 ]*[ *]\([A-Za-z_][A-Za-z_0-9]*\)(.*/\1/p' "$header" | grep -v '^typedef' | sort -u)
[ -n "$declared" ] || { echo "FAIL: no function found in $header"; exit 1; }
c_names=$(exports "$platform" | grep -v '^_Z' || true)
if [ "$declared" != "$c_names" ]; then
  echo "FAIL: the platform library's C names are not the header's functions"
  diff <(echo "$declared") <(echo "$c_names") || true
  fail=1
fi
# Every C++ name is of namespace platform.
others=$(exports "$platform" | grep '^_Z' | c++filt |
  grep -Ev '^((typeinfo|typeinfo name|vtable|VTT|guard variable|TLS init function|TLS wrapper function) for |(non-virtual |virtual |covariant return )thunk to |construction vtable for .*)?platform::' || true)
if [ -n "$others" ]; then
  echo "FAIL: the platform library exports names outside namespace platform:"
  echo "$others" | head -20
  fail=1
fi
[ "$fail" = 0 ] && echo "exports: as expected ($(exports "$platform" | wc -l) names of the platform library)"
exit $fail
