#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Tavrix for 64-bit Windows on a Debian 12 machine, installing what is missing:
#   scripts/windows.sh          Qt for Windows (once, cached), then Tavrix and its tests into build-win/;
#                               build-win/bin holds tavrix.exe, tavrix.com, dict.txt, the Qt and mingw
#                               runtime DLLs and the plugins, ready to run (under Wine: wine
#                               build-win/bin/tavrix.exe); build-win/packages holds the installer and the zip
#   scripts/windows.sh qt       Qt for Windows alone
# Qt 6.4.2 (qtbase) is built from Debian's own qt6-base source package, with the host's Qt 6.4.2 as its
# host tools, into $TAVRIX_CACHE_DIR (default ~/.cache/tavrix), outside the clone. A folder is named after a
# hash of the source version, the configure line and the compiler, so any change of them builds afresh and
# an unchanged one is reused. The source is fetched through a private apt sources list; the machine's own
# sources are left as they are.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WIN_BUILD_DIR="${TAVRIX_WIN_BUILD_DIR:-$ROOT/build-win}"
CACHE_DIR="${TAVRIX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tavrix}"
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
TRIPLET=x86_64-w64-mingw32
source "$ROOT/scripts/packages.sh"

QT_SOURCE_PACKAGE=qt6-base
QT_SOURCE_VERSION=6.4.2+dfsg-10

# What the Windows build and its tests need on the Linux machine.
WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    cmake ninja-build perl python3 dpkg-dev xz-utils
    qt6-base-dev qt6-base-dev-tools # the host tools (moc, rcc, uic) the Windows Qt is built with
    wine wine64 fonts-wine xvfb xauth xdotool xclip openbox x11-utils python3
    # The X libraries Wine's display driver loads when it starts (its package only recommends them): the
    # clipboard, the pointer, screens and windows' pictures.
    libxfixes3 libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxext6 libxxf86vm1
    libgnutls30 libfreetype6
    fonts-liberation2 # Liberation Mono stands in for Courier New under Wine
    wixl msitools     # the installer, and the tests' copies of it
    python3-pefile    # the check of the programs' resources
)

# Qt's configure line. Only what Tavrix uses is built: Core, Gui, Widgets and Test, the Windows platform
# plugin, the Windows styles and the JPEG image plugin. Debian's source lacks the Wintab headers, so tablet
# input is off; DirectWrite 3 goes off with Direct2D, which 6.4.2 needs to link the platform plugin.
QT_CONFIGURE=(
    -xplatform win32-g++ -release -shared -opensource -confirm-license -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-freetype -no-feature-vulkan
    -qt-zlib -qt-libpng -qt-libjpeg -qt-harfbuzz -qt-pcre -qt-doubleconversion
    -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent -no-feature-printsupport
    -no-feature-tabletevent -no-feature-direct2d -no-feature-directwrite3
)


# The folder the Windows Qt is installed into, named after what it is built from.
tavrix_qt_prefix() {
    local key
    key="$(
        echo "$QT_SOURCE_PACKAGE $QT_SOURCE_VERSION"
        echo "${QT_CONFIGURE[*]}"
        "$TRIPLET-g++-posix" --version | head -n 1
        cat "$TOOLCHAIN"
    )"
    echo "$CACHE_DIR/qt-6.4.2-win64-$(sha256sum <<<"$key" | cut -c1-12)"
}

# Fetches Debian's qt6-base source into $1 through a private sources list made from the machine's own
# binary sources (the same archive, source entries), without changing the machine's apt set-up.
tavrix_fetch_qt_source() {
    local dest="$1" apt="$1.apt"
    rm -rf "$dest" "$apt"
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$dest.download"
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && sed -n 's/^deb \(.*\)/deb-src \1/p' "$f"
    done >"$apt/sources.list.d/source.list"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt/sources.list.d/$(basename "$f")"
    done
    local opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1"
        -o "APT::Sandbox::User=root")
    apt-get "${opts[@]}" -qq update
    (cd "$dest.download" && apt-get "${opts[@]}" -qq source --download-only "$QT_SOURCE_PACKAGE=$QT_SOURCE_VERSION")
    dpkg-source --no-check -x "$dest.download/${QT_SOURCE_PACKAGE}_${QT_SOURCE_VERSION}.dsc" "$dest" >/dev/null
    rm -rf "$apt" "$dest.download"
}

# Builds and installs the Windows Qt unless the folder for this source, configure line and compiler is there.
tavrix_build_qt() {
    QT_WIN_PREFIX="$(tavrix_qt_prefix)"
    if [ -f "$QT_WIN_PREFIX/.complete" ]; then
        return 0
    fi
    local work="$QT_WIN_PREFIX.work"
    echo "Building Qt 6.4.2 for Windows into $QT_WIN_PREFIX (about half an hour on two cores)"
    rm -rf "$work" "$QT_WIN_PREFIX"
    mkdir -p "$work"
    tavrix_fetch_qt_source "$work/src"
    mkdir -p "$work/build"
    (
        cd "$work/build"
        "$work/src/configure" -prefix "$QT_WIN_PREFIX" -qt-host-path /usr "${QT_CONFIGURE[@]}" -- \
            -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/configure.log" 2>&1 ||
            { tail -n 40 "$work/configure.log" >&2; exit 1; }
        cmake --build . --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
            { grep -m 20 -B 2 -A 8 'error' "$work/build.log" >&2; exit 1; }
        cmake --install . >"$work/install.log" 2>&1
    )
    mkdir -p "$QT_WIN_PREFIX/share/doc/qt6-base"
    cp "$work/src/debian/copyright" "$QT_WIN_PREFIX/share/doc/qt6-base/copyright"
    touch "$QT_WIN_PREFIX/.complete"
    rm -rf "$work"
}

# What the Windows packages say of the Qt they carry, kept beside it in share/doc/qt6-base: Debian's copyright
# file of the source package (every licence inside Qt's DLLs), the source version and the configure line. A
# Qt built before these were kept gets the copyright file from its source package fetched once more.
tavrix_qt_notices() {
    local notices="$QT_WIN_PREFIX/share/doc/qt6-base"
    if [ ! -f "$notices/copyright" ]; then
        tavrix_fetch_qt_source "$QT_WIN_PREFIX.notices"
        mkdir -p "$notices"
        cp "$QT_WIN_PREFIX.notices/debian/copyright" "$notices/copyright"
        rm -rf "$QT_WIN_PREFIX.notices"
    fi
    echo "$QT_SOURCE_PACKAGE $QT_SOURCE_VERSION" >"$notices/source-version.txt"
    echo "configure -qt-host-path /usr ${QT_CONFIGURE[*]} -- -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake" \
        >"$notices/configure-line.txt"
}

# Cross-builds Tavrix and its tests against the Windows Qt into $WIN_BUILD_DIR.
tavrix_build_tavrix() {
    cmake -S "$ROOT" -B "$WIN_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$QT_WIN_PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DTAVRIX_BUILD_BENCH=ON -DTAVRIX_E2E_TESTS=OFF -DTAVRIX_FUZZ_TESTS=OFF -DTAVRIX_INSTALL_TESTS=OFF \
        -DTAVRIX_GENERATOR_TEST=OFF -DTAVRIX_REQUIRE_ALL=ON >/dev/null
    cmake --build "$WIN_BUILD_DIR" -j "$(nproc)"
}

tavrix_install_missing "${WINDOWS_PACKAGES[@]}"
tavrix_build_qt
tavrix_qt_notices
[ "${1:-}" = qt ] && exit 0
tavrix_build_tavrix
echo "Built $WIN_BUILD_DIR/bin/tavrix.exe"
