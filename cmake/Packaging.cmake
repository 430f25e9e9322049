# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: scripts/package.sh configures a Release build and runs `cpack -G DEB`.
# Installs under /usr; the programs find their range files relative to their own folder.
# Whoever builds the package names themselves as its maintainer:
#   scripts/package.sh -DVFD_PACKAGE_MAINTAINER="Name <address>"
set(VFD_PACKAGE_MAINTAINER "vfd-tools developers <vfd-tools@example.org>"
    CACHE STRING "Maintainer written into the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vfd-tools)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VFD_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration and test tools for two-line VFD customer displays")
# Debian wants the long description's lines no longer than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop tools for two-line VFD customer displays (pole displays) driven
over RS-232. Zoravel edits, downloads, reads back and saves a display's
settings: character set, command emulation, line speed, stand-by time,
welcome messages and user-defined characters. Tymbrik is the production-line
test tool: port search, code-page ranges and the scripted screen test.
vfdctl does the downloads, read-backs and identity checks from scripts and
shows or writes settings files as text or JSON, without a window. vfdsim
is a virtual display on a pseudo-terminal for trying the tools without
hardware.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VFD_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps finds the libraries the programs link (Qt Widgets, Serial Port, the C++
# runtime). Qt loads its platform plugins at run time, where dpkg-shlibdeps cannot see them:
# without qt6-qpa-plugins no window opens at all, so it is named here. The test tool's records
# need Qt's SQLite driver, loaded the same way; the line database's PostgreSQL driver is only
# wanted on a station that sends to one.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")

include(CPack)
