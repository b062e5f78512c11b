# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# A Debian package of the installed tree: cpack -G DEB in the build folder, or the "package" target.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tavrix")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Tavrix developers")
set(CPACK_PACKAGE_CONTACT "${TAVRIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVRIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The key field asks for "Courier New", which fontconfig maps to Liberation Mono.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
# The credit links open through xdg-open; without it the program still works and says that a link cannot open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "generator of keys for WEP-secured wireless networks")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tavrix is a small desktop program that generates WEP keys. Pick a key
strength of 64, 128 or 256 bit and a key type: hexadecimal digits, or ASCII
text made of random letters or of dictionary words joined by hyphens.
The key is shown in a read-only field and copied to the clipboard on demand
or after every generation. Tavrix remembers its settings and can generate a
key at start-up and whenever a choice changes.")

include(CPack)
