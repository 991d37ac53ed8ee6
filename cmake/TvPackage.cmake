# The Debian package: `cpack -G DEB` in the build folder packages what
# `cmake --install` installs, under /usr. The library dependencies are
# computed from the program (dpkg-shlibdeps); the GStreamer plugins that
# decode MP3 and play it are loaded at run time, so they are named here.
set(CPACK_PACKAGE_NAME tunevault)
set(CPACK_PACKAGE_VENDOR "Orvanel Soft")
set(CPACK_PACKAGE_CONTACT "Orvanel Soft <${TV_SUPPORT_ADDRESS}>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${TV_WEB_ADDRESS})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MP3 manager: file browser, playlist, ID3 tag editor and player")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tunevault keeps an MP3 collection in order: a file browser, a playlist, an\n"
  "ID3v1/ID3v2 tag editor with batch wizards, copy/move/delete, and a simple\n"
  "player with seek and volume that answers the media keys.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The online album lookup checks the servers' HTTPS certificates.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, ca-certificates")

include(CPack)
