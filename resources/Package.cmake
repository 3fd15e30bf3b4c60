# The Debian package, built by scripts/package (cpack -G DEB). Its dependencies come from the
# programs themselves (dpkg-shlibdeps), never from a list kept by hand.
set(CPACK_PACKAGE_NAME spectrel)
set(CPACK_PACKAGE_VENDOR "Orvane Industries")
set(CPACK_PACKAGE_CONTACT "Orvane Industries <support@orvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel of the Spectrel colour sensors")
# Lines of at most 80 characters, as the package's description is shown in a terminal.
set(CPACK_PACKAGE_DESCRIPTION
    "Set up, teach and monitor Spectrel industrial colour sensors on a serial port
or a remote serial line: the live colour reading and which taught channels
match, the sensor's settings and colour channels, profiles and data logging.
Includes spectrelctl, a command-line client for scripts, and spectrel-sim, a
virtual sensor to try everything without hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvane.example/spectrel")
# The window needs the X11 or Wayland platform plugin, which no library links and so
# dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Help > Instructions hands the manual to the desktop's viewer through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pdf-viewer")
include(CPack)
