# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Install rules: the program, its word list, desktop integration, manual page and the files a Debian
# package carries in its doc folder. Included from the root CMakeLists.txt once every target exists.
include(GNUInstallDirs)

include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)

# The program looks for its word list in ../share/tavrix relative to its own folder (ui/CMakeLists.txt);
# the install layout must put it there.
file(RELATIVE_PATH _tavrix_data_from_bin "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_DATADIR}/tavrix")
if(NOT _tavrix_data_from_bin STREQUAL "../share/tavrix")
    message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_DATADIR put the word list at ${_tavrix_data_from_bin} "
                        "from the program, where it does not look (../share/tavrix).")
endif()

# Wayland compositors match a window to its desktop entry by this name.
target_compile_definitions(tavrix PRIVATE TAVRIX_APP_ID="${TAVRIX_APP_ID}")

set(_tavrix_generated ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/org.tavrix.Tavrix.desktop ${_tavrix_generated}/${TAVRIX_APP_ID}.desktop COPYONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/org.tavrix.Tavrix.metainfo.xml.in
               ${_tavrix_generated}/${TAVRIX_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tavrix.1.in ${_tavrix_generated}/tavrix.1 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${_tavrix_generated}/changelog @ONLY)

# Debian wants manual pages and changelogs compressed with gzip -9n (no name or time stamp inside).
find_program(TAVRIX_GZIP gzip REQUIRED)
set(_tavrix_gzipped)
foreach(_file tavrix.1 changelog)
    add_custom_command(
        OUTPUT ${_tavrix_generated}/${_file}.gz
        COMMAND ${TAVRIX_GZIP} -9nc ${_tavrix_generated}/${_file} > ${_tavrix_generated}/${_file}.gz
        DEPENDS ${_tavrix_generated}/${_file}
        COMMENT "Compressing ${_file}"
        VERBATIM)
    list(APPEND _tavrix_gzipped ${_tavrix_generated}/${_file}.gz)
endforeach()
add_custom_target(tavrix_packaging_files ALL DEPENDS ${_tavrix_gzipped})

# The program links only system libraries; qt_standard_project_setup()'s $ORIGIN search path has nothing
# to find in a system-wide install.
set_target_properties(tavrix PROPERTIES INSTALL_RPATH "")
install(TARGETS tavrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/dict.txt ${PROJECT_SOURCE_DIR}/data/dict.txt.NOTICE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tavrix)
install(FILES ${_tavrix_generated}/${TAVRIX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_tavrix_generated}/${TAVRIX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(_size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/ui/resources/icons/tavrix-${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME ${TAVRIX_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/ui/resources/icons/tavrix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${TAVRIX_APP_ID}.svg)
install(FILES ${_tavrix_generated}/tavrix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${_tavrix_generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrix)
