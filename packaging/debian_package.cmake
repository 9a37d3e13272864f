# The Debian package that cpack makes from the installed files (the "package" preset, or
# `cpack -G DEB` in a build folder). Its run-time dependencies are the shared libraries the
# programs link, found by dpkg-shlibdeps, and Qt's platform plugins, which the programs load
# at start without linking them and which Debian's Qt libraries only recommend.
# The version has no Debian revision: this is a native package, made here from these sources,
# so its changelog is usr/share/doc/zav-companions/changelog.gz (from debian/changelog), next to
# the copyright file made from LICENSE; CMakeLists.txt installs both.
set(CPACK_PACKAGE_NAME ${ZAV_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The Zav companions developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# The extended description as dpkg shows it: one line each, no line over 80 characters with the
# space cpack puts before it.
set(CPACK_PACKAGE_DESCRIPTION
    "VoxGauge checks that the microphone works while the sound card plays and sets"
    "its recording volume for the voice-driven game Zav. KeyVoice records the"
    "player's own voice for the game's sound keys 6 to 0. zavtool works on"
    "KeyVoice's sound files and on the game's stored settings from a shell.")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZAV_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ZAV_GUI_PROGRAMS)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()

include(CPack)
