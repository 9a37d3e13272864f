# The Windows installer that cpack makes from the installed files with NSIS (Debian's nsis
# package: makensis runs on Linux): build-windows/zav-companions-1.0-setup.exe, made by
# `cpack --config build-windows/CPackConfig.cmake` (scripts/windows-installer-test does so).
#
# It asks for an administrator's rights, shows the licence, puts voxgauge.exe, keyvoice.exe,
# zavtool.exe and LICENSE.txt in "Program Files\Zav Companions", adds Start-menu entries for
# VoxGauge, KeyVoice and the uninstaller to the all-users Start menu, and registers the
# uninstaller in Add/Remove Programs under
#   HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zav Companions
# The installer is itself a 64-bit program (NSIS's amd64 stubs), so that key and the folder are
# the 64-bit ones, as for the programs, and 64-bit Windows (or Wine without its 32-bit part)
# runs it. The uninstaller removes exactly what was added: the files by name, then the folders
# if empty, the menu entries and its own keys. The host's values under HKLM\Software\TAMBORI
# and the player's recordings in the host's folder were never the installer's and stay.
#
# Which file goes where is CPack's own NSIS template; only the values below are ours.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME ${ZAV_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The Zav companions developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME ${ZAV_PACKAGE_NAME}-${PROJECT_VERSION}-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Zav Companions")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Zav Companions")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The Start-menu entries: each program's .exe, then the entry's name.
set(CPACK_PACKAGE_EXECUTABLES voxgauge VoxGauge keyvoice KeyVoice)

# The installer's title and the Start-menu folder (Add/Remove Programs shows the version apart).
set(CPACK_NSIS_PACKAGE_NAME "Zav Companions")
set(CPACK_NSIS_DISPLAY_NAME "Zav Companions")
# 64-bit programs, one folder, nothing added to PATH.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_INSTALLED_ICON_NAME keyvoice.exe)
set(CPACK_NSIS_CONTACT "${ZAV_PACKAGE_MAINTAINER}")
set(CPACK_NSIS_URL_INFO_ABOUT "https://zavcompanions.org")
# An installation over an earlier one asks to remove that first (in a silent run: it does).
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# CPack's uninstaller takes the entries away from the Start-menu folder it finds first, which is
# the default one once it has removed its own key; these lines run again for the folder that
# was chosen at install time. Then the vendor's key, which CPack leaves behind empty.
string(CONCAT CPACK_NSIS_DELETE_ICONS_EXTRA
       "  Delete '$SMPROGRAMS\\$MUI_TEMP\\VoxGauge.lnk'\n"
       "  Delete '$SMPROGRAMS\\$MUI_TEMP\\KeyVoice.lnk'\n"
       "  DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'\n")
# The values reach the NSIS script as written here (one backslash is one backslash).
set(CPACK_VERBATIM_VARIABLES ON)

include(CPack)
