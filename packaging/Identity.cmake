# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The names and dates the installed files and the package share; the install tests read them too.

# One reverse-DNS name for the desktop entry, the AppStream metainfo and the icons.
set(TAVRIX_APP_ID "org.tavrix.Tavrix")
# The date of this release, for the metainfo, the manual page and the Debian changelog.
set(TAVRIX_RELEASE_DATE "2026-12-07")
set(TAVRIX_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 12:00:00 +0000")
set(TAVRIX_PACKAGE_MAINTAINER "Tavrix maintainers <maintainers@users.noreply.c-seed-f91a725e.example>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
# Who publishes Tavrix, as the Windows version resource and installer name them.
set(TAVRIX_PUBLISHER "The Tavrix developers")
