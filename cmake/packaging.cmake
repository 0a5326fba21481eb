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
# the GStreamer plugins without which Qt's media backend cannot play a
# preview, and Qt's SVG plugins, which draw the window's icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "sox, libsox-fmt-all, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, libqt6svg6")

# Every Debian package carries its copyright and, gzipped, a changelog whose
# newest entry is this version.
install(FILES cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
execute_process(COMMAND date -u -R -d ${BRINDLEBOX_RELEASE_DATE}
    OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(cmake/debian/changelog.in debian/changelog @ONLY)
execute_process(COMMAND gzip -9nc debian/changelog OUTPUT_FILE debian/changelog.gz
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
