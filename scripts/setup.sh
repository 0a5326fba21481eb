# Sourced by scripts/run, scripts/test and scripts/screenshot: installs the
# Debian packages that are missing and builds the program. Says nothing about
# packages when every one is already there.

# What building, running and playing previews need. sox reads WAV, AIFF,
# AU and 8SVX itself, FLAC, Ogg Vorbis, Wave64 and CAF through
# libsox-fmt-base and MP3 through libsox-fmt-mp3, named here for the sound
# files the program takes (libsox-fmt-all, which the Debian package depends
# on, brings them and sox's device formats). QtMultimedia's GStreamer
# backend crashes without the base and good plugin sets. Qt draws no text
# without a font, offscreen screenshots included, and no SVG icon without
# libqt6svg6's plugins. The build makes the manual page with help2man. The
# tests check the desktop entry with desktop-file-validate, the metainfo
# with appstreamcli, the kit's file type with update-mime-database
# (shared-mime-info) and the manual page with man; they build the Debian
# package, for which CPack picks out the binaries with `file` and reads
# their library dependencies with dpkg-shlibdeps (dpkg-dev), and check it
# with lintian; they start the installed program on an X server of its own
# (xvfb) and find its window with xdotool and xprop (x11-utils). The
# playback test hears a preview through a private PulseAudio server with a
# null sink. The export tests read the loops of the files they write with
# sndfile-info (sndfile-programs), as trackers' libraries read them, and
# play the kit's module in a tracker's own engine (openmpt123). The keys of
# the waveform window and Play Kit as Module sound through that engine's
# library, libopenmpt; slicing finds hits with aubio's onset detector
# (libaubio-dev); the build finds both with pkg-config.
BRINDLEBOX_PACKAGES=(
    g++ make cmake pkgconf help2man
    qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libqt6svg6 libopenmpt-dev libaubio-dev
    sox libsox-fmt-all libsox-fmt-base libsox-fmt-mp3
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    pulseaudio gstreamer1.0-pulseaudio
    fonts-dejavu-core
    desktop-file-utils appstream shared-mime-info man-db dpkg-dev file lintian
    xvfb xdotool x11-utils
    sndfile-programs openmpt123
)

install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Builds the given targets, or everything.
build_brindlebox() {
    local root build targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    build="$root/build"
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo --log-level=WARNING >/dev/null
    fi
    cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
}
