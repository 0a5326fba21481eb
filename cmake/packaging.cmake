# `cpack -G DEB` in the build directory makes brindlebox_<version>_<arch>.deb,
# which installs under /usr with apt-get.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brindlebox)
set(CPACK_PACKAGE_VENDOR "Brindlebox")
set(CPACK_PACKAGE_CONTACT "Brindlebox developers <brindlebox@example.org>"
    CACHE STRING "Maintainer of the Debian package, as \"Name <email>\"")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "turn WAV recordings into 8-bit 8SVX samples for tracker music")
# Lines kept under 80 columns, as Debian wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Brindlebox loads a batch of WAV files, lets you set for each one how it"
    "becomes an 8-bit mono sample (normalise, low cut, high cut, and the"
    "tracker note that fixes its sample rate), previews the result and"
    "exports the batch as 8SVX files. Every conversion is one run of sox.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# dpkg-shlibdeps adds the Qt 6, C++ and C libraries the binary links.
# What it cannot see is listed here: the converter with its file formats,
# and the GStreamer plugins without which Qt's media backend cannot play a
# preview.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "sox, libsox-fmt-all, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")

include(CPack)
