#!/usr/bin/env bash
# Builds the Debian package into a scratch directory with CPack and reads it
# back with dpkg-deb; installs nothing. Checks that apt-get would bring
# everything the program needs at run time, that the package holds the
# program and what a desktop finds it by, and that lintian has nothing to
# say about it at error or warning level.
#   check_package.sh <build dir> <scratch dir> <reverse-DNS id>
set -euo pipefail
build=$1
scratch=$2
id=$3
fail() { echo "FAIL: $*"; exit 1; }

for tool in dpkg-deb dpkg-shlibdeps file readelf lintian; do
    if ! command -v $tool >/dev/null; then
        echo "SKIP: $tool is missing (Debian packages dpkg-dev, file, binutils and lintian)"
        exit 77
    fi
done

rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch") \
    >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack -G DEB"; }
debs=("$scratch"/brindlebox_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one brindlebox_*.deb in $scratch"
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names alone, one a line, without versions or alternatives' bars.
depends_names=$(sed 's/ *([^)]*)//g; s/ *[,|] */\n/g' <<<"$depends")
in_depends() { grep -qxF -- "$1" <<<"$depends_names"; }
# What the program runs or loads but does not link, named by hand.
for needed in sox libsox-fmt-all gstreamer1.0-plugins-base gstreamer1.0-plugins-good libqt6svg6; do
    in_depends "$needed" || fail "Depends lacks $needed"
done
# Every library the two programs link must come with them: dpkg-shlibdeps
# should have named the package that holds each one on this machine.
for library in $(readelf -d "$build/src/brindlebox" "$build/src/brindlebox-window" \
    | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
    owners=$(dpkg -S "*/$library" 2>/dev/null | sed 's/[:,].*//' | sort -u)
    [ -n "$owners" ] || fail "no Debian package on this machine holds $library"
    found=
    for owner in $owners; do in_depends "$owner" && found=$owner; done
    [ -n "$found" ] || fail "Depends names none of the packages that hold $library: $owners"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for file in ./usr/bin/brindlebox ./usr/libexec/brindlebox/brindlebox-window ./usr/share/applications/$id.desktop \
    ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/metainfo/$id.metainfo.xml \
    ./usr/share/mime/packages/$id.xml \
    ./usr/share/man/man1/brindlebox.1.gz \
    ./usr/share/doc/brindlebox/copyright ./usr/share/doc/brindlebox/changelog.gz; do
    grep -qx -- "$file" <<<"$contents" || fail "the package holds no $file"
done

# Exits non-zero on any error or warning tag, or if it cannot run at all.
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 \
    || { cat "$scratch/lintian.log"; fail "lintian reports the errors or warnings above"; }
echo "package: $(basename "$deb") holds the program, its desktop entry, icon, kit file type, metainfo," \
    "manual page, copyright and changelog; lintian reports no error and no warning"
