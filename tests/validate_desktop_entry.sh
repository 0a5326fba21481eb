#!/usr/bin/env bash
# Passes when desktop-file-validate finds nothing at all to say about the
# desktop entry: no error, no warning, no hint.
set -uo pipefail
if ! command -v desktop-file-validate >/dev/null; then
    echo "SKIP: desktop-file-validate is missing (Debian package desktop-file-utils)"
    exit 77
fi
said=$(desktop-file-validate "$1" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$said" ]; then
    echo "desktop-file-validate $1 (exit $status):"
    echo "$said"
    exit 1
fi
echo "desktop-file-validate: $1 is valid"
