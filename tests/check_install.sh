#!/usr/bin/env bash
# Installs the build into a scratch prefix (never the system) and checks that
# a desktop finds the program there: the menu entry under
# share/applications, the command it runs under bin/, and that command
# starting.
#   check_install.sh <build dir> <scratch dir> <reverse-DNS id>
set -euo pipefail
build=$1
scratch=$2
id=$3
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || { cat "$scratch/install.log"; fail "cmake --install"; }

entry=$prefix/share/applications/$id.desktop
[ -f "$entry" ] || fail "no desktop entry at $entry"
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -n "$command" ] || fail "the desktop entry runs no command"
[ -x "$prefix/bin/$command" ] || fail "the desktop entry runs '$command', which is not in $prefix/bin"

# A program that is still running after a few seconds has got through start-up
# into its event loop; timeout then ends it with 124.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/$command" >"$scratch/run.log" 2>&1 || status=$?
[ $status -eq 124 ] || { cat "$scratch/run.log"; fail "$prefix/bin/$command ended with $status within 3 s"; }
echo "installed: bin/$command and share/applications/$id.desktop; it starts"
