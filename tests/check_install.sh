#!/usr/bin/env bash
# Installs the build into a scratch prefix (never the system) and checks what
# a desktop finds there (the program, its menu entry for sound files and kits,
# icon, the kit's file type, metainfo and manual page) with the tools that
# read them; then that the installed program answers --version without a
# display, opens no window for a wrong option, and on an X server of its own
# (Xvfb) shows its window with its icon and the WAV files named on its
# command line loaded, and reads a kit named there.
#   check_install.sh <build dir> <scratch dir> <reverse-DNS id> <version>
set -euo pipefail
build=$1
scratch=$2
id=$3
version=$4
fail() { echo "FAIL: $*"; exit 1; }

for tool in desktop-file-validate appstreamcli man Xvfb xdotool xprop update-mime-database; do
    if ! command -v $tool >/dev/null; then
        echo "SKIP: $tool is missing (Debian packages desktop-file-utils, appstream, man-db, xvfb, xdotool, x11-utils, shared-mime-info)"
        exit 77
    fi
done

rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || { cat "$scratch/install.log"; fail "cmake --install"; }

entry=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
manual=$prefix/share/man/man1/brindlebox.1.gz
mime=$prefix/share/mime/packages/$id.xml
for file in "$entry" "$metainfo" "$manual" "$mime" "$prefix/share/icons/hicolor/scalable/apps/$id.svg"; do
    [ -f "$file" ] || fail "nothing installed at $file"
done
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$prefix/bin/$command" ] || fail "the desktop entry runs '$command', which is not in $prefix/bin"
kit=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime")
for line in "Exec=$command %F" "Icon=$id" "MimeType=audio/x-wav;audio/wav;audio/vnd.wave;audio/flac;audio/x-aiff;audio/x-aifc;audio/ogg;audio/x-vorbis+ogg;audio/mpeg;audio/basic;$kit;"; do
    grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done
# The database a desktop builds from the installed type finds kits by name.
update-mime-database "$prefix/share/mime" >"$scratch/mime.log" 2>&1 || { cat "$scratch/mime.log"; fail "update-mime-database"; }
grep -qF ":$kit:*.brindlekit" "$prefix/share/mime/globs2" || fail "the MIME database does not take *.brindlekit for $kit"
said=$(desktop-file-validate "$entry" 2>&1) && [ -z "$said" ] || fail "desktop-file-validate: $said"
appstreamcli validate --no-net --strict "$metainfo" >"$scratch/appstream.log" 2>&1 \
    || { cat "$scratch/appstream.log"; fail "appstreamcli validate"; }
page=$(MANWIDTH=80 man -l "$manual" 2>&1)
grep -q -- '--version' <<<"$page" || fail "man -l $manual shows no --version: $page"

said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$command" --version 2>&1) \
    && [ "$said" = "brindlebox $version" ] || fail "--version without a display said: $said"
status=0
said=$(QT_QPA_PLATFORM=offscreen timeout 10 "$prefix/bin/$command" --no-such-option 2>&1) || status=$?
[ $status -ne 0 ] && [ $status -ne 124 ] && grep -q "Unknown option 'no-such-option'" <<<"$said" \
    || fail "a wrong option ended with $status (124: still running after 10 s), saying: $said"

# An X server of our own, and the program on it; both ended by their pids.
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=:$(<"$scratch/display")
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

touch "$scratch/kick.wav" "$scratch/my lead.wav"
"$prefix/bin/$command" "$scratch/kick.wav" "$scratch/my lead.wav" >"$scratch/run.log" 2>&1 &
program=$!
pids+=($program)
window=$(timeout 20 xdotool search --sync --all --onlyvisible --pid $program --name '^Brindlebox$' \
    | head -n 1) || true
[ -n "$window" ] || { cat "$scratch/run.log"; fail "no window titled Brindlebox was shown"; }
grep -q 'Icon (' <<<"$(xprop -id "$window" _NET_WM_ICON)" || fail "the window has no icon"
# Docks on X11 match the window to its desktop entry by WM_CLASS.
class=$(sed -n 's/^StartupWMClass=//p' "$entry")
grep -q "\"$class\"\$" <<<"$(xprop -id "$window" WM_CLASS)" || fail "the window's WM_CLASS is not $class"

# Clear All asks "Lose current samples?", a second window, only when
# samples are loaded.
xdotool windowfocus --sync "$window" key ctrl+w
windows() { xdotool search --onlyvisible --pid $program | wc -l; }
for _ in $(seq 50); do [ "$(windows)" -ge 2 ] && break; sleep 0.1; done
[ "$(windows)" -ge 2 ] || fail "Clear All asked nothing: the files on the command line were not loaded"

# A kit named, as a file manager names it, is read in the window: one that
# cannot be opened says so at once, in a second window.
echo '{"format": "brindlebox-kit", "version": 1, "sampleCount": 0, "samples": []}' >"$scratch/empty.brindlekit"
"$prefix/bin/$command" "$scratch/empty.brindlekit" >"$scratch/kit.log" 2>&1 &
program=$!
pids+=($program)
for _ in $(seq 100); do [ "$(windows)" -ge 2 ] && break; sleep 0.1; done
[ "$(windows)" -ge 2 ] || { cat "$scratch/kit.log"; fail "the window did not refuse a kit that cannot be opened"; }
echo "installed: bin/$command, $id's desktop entry, icon, kit file type and metainfo, brindlebox.1;" \
    "it shows its window with its icon, loads the files it is given and reads a kit"
