# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Windows build:
# - tavrix.exe and tavrix.com carry the program icon, a version resource and an application manifest;
# - the DLLs and plugins the programs load are copied beside them into bin/, so that bin/ runs as it is
#   (tavrix.exe, tavrix.com, dict.txt, the Qt and mingw runtime DLLs, platforms/, styles/, imageformats/);
# - the install rules lay out the program's folder as it is shipped, with the licences, and the target
#   tavrix_windows_packages makes packages/tavrix-<version>-win64.zip and .msi from it.
include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)
set(_tavrix_windows ${CMAKE_CURRENT_LIST_DIR}/windows)
set(_tavrix_generated ${CMAKE_BINARY_DIR}/generated/windows)

# ---- Resources -------------------------------------------------------------------------------------------
set(TAVRIX_RC_ICON ${PROJECT_SOURCE_DIR}/ui/resources/icons/tavrix.ico)
set(TAVRIX_RC_MANIFEST ${_tavrix_generated}/tavrix.manifest)
configure_file(${_tavrix_windows}/tavrix.manifest.in ${TAVRIX_RC_MANIFEST} @ONLY)
foreach(_tavrix_target tavrix tavrix_console)
    get_target_property(_tavrix_suffix ${_tavrix_target} SUFFIX)
    if(NOT _tavrix_suffix)
        set(_tavrix_suffix .exe)
    endif()
    set(TAVRIX_RC_FILE_NAME tavrix${_tavrix_suffix})
    set(_tavrix_rc ${_tavrix_generated}/${TAVRIX_RC_FILE_NAME}.rc)
    configure_file(${_tavrix_windows}/tavrix.rc.in ${_tavrix_rc} @ONLY)
    # windres reports no dependencies, so the files the script names are given here.
    set_source_files_properties(${_tavrix_rc} PROPERTIES OBJECT_DEPENDS "${TAVRIX_RC_ICON};${TAVRIX_RC_MANIFEST}")
    target_sources(${_tavrix_target} PRIVATE ${_tavrix_rc})
endforeach()

# ---- What the programs load, beside them in bin/ ---------------------------------------------------------
# The mingw runtime: the C++ library, the compiler's support library and the threads library.
set(TAVRIX_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE _tavrix_dll
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_tavrix_dll}" OR NOT EXISTS "${_tavrix_dll}")
        message(FATAL_ERROR "The mingw runtime ${dll} was not found beside ${CMAKE_CXX_COMPILER}")
    endif()
    list(APPEND TAVRIX_MINGW_RUNTIME "${_tavrix_dll}")
endforeach()
set(TAVRIX_QT_DLLS $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>)
set(TAVRIX_QT_PLUGINS platforms $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
                      styles $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
                      imageformats $<TARGET_FILE:Qt6::QJpegPlugin>)

set(_tavrix_bin ${CMAKE_BINARY_DIR}/bin)
set(_tavrix_copy ${CMAKE_COMMAND} -E copy_if_different)
add_custom_target(tavrix_windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_tavrix_bin}/platforms ${_tavrix_bin}/styles
            ${_tavrix_bin}/imageformats
    COMMAND ${_tavrix_copy} ${TAVRIX_MINGW_RUNTIME} ${TAVRIX_QT_DLLS} $<TARGET_FILE:Qt6::Test> ${_tavrix_bin}
    COMMAND ${_tavrix_copy} $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> ${_tavrix_bin}/platforms
    COMMAND ${_tavrix_copy} $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> ${_tavrix_bin}/styles
    COMMAND ${_tavrix_copy} $<TARGET_FILE:Qt6::QJpegPlugin> ${_tavrix_bin}/imageformats
    COMMAND ${_tavrix_copy} ${CMAKE_SOURCE_DIR}/data/dict.txt ${_tavrix_bin}
    COMMENT "Copying the Qt and mingw runtime DLLs, the plugins and dict.txt into bin/"
    VERBATIM)

# ---- The shipped folder ----------------------------------------------------------------------------------
# The programs, the word list beside them, what they load and nothing more, and the licences of it all.
install(TARGETS tavrix tavrix_console RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/data/dict.txt ${TAVRIX_MINGW_RUNTIME} ${TAVRIX_QT_DLLS} DESTINATION .)
while(TAVRIX_QT_PLUGINS)
    list(POP_FRONT TAVRIX_QT_PLUGINS _tavrix_folder _tavrix_plugin)
    install(FILES ${_tavrix_plugin} DESTINATION ${_tavrix_folder})
endwhile()

# Qt's own licence notice and where its source comes from: scripts/windows.sh keeps them beside the Qt it
# builds (Debian's copyright file of the qt6-base source package, the source version, the configure line).
set(_tavrix_qt_notices ${QT6_INSTALL_PREFIX}/share/doc/qt6-base)
set(_tavrix_missing)
foreach(_tavrix_notice copyright source-version.txt configure-line.txt)
    if(NOT EXISTS ${_tavrix_qt_notices}/${_tavrix_notice})
        list(APPEND _tavrix_missing "${_tavrix_qt_notices}/${_tavrix_notice} (scripts/windows.sh writes it)")
    endif()
endforeach()
tavrix_find_programs(_tavrix_missing wixl)
option(TAVRIX_WINDOWS_PACKAGES "The Windows installer and zip (needs wixl and a Qt built by scripts/windows.sh)" ON)
tavrix_tool_group(TAVRIX_WINDOWS_PACKAGES "The Windows packages" "${_tavrix_missing}")
if(NOT TAVRIX_WINDOWS_PACKAGES)
    return()
endif()

# The versions of the runtime's Debian packages, named in the licences' README.
function(tavrix_debian_source out package)
    execute_process(COMMAND dpkg-query -W "--showformat=\${source:Package} \${source:Version}" ${package}
                    OUTPUT_VARIABLE source RESULT_VARIABLE status ERROR_QUIET)
    if(NOT status EQUAL 0 OR source STREQUAL "")
        set(source "(the version installed where this was built)")
    endif()
    set(${out} "${source}" PARENT_SCOPE)
endfunction()
tavrix_debian_source(TAVRIX_GCC_SOURCE gcc-mingw-w64-x86-64-posix-runtime)
tavrix_debian_source(TAVRIX_MINGW_SOURCE mingw-w64-x86-64-dev)
file(READ ${_tavrix_qt_notices}/source-version.txt TAVRIX_QT_SOURCE)
string(STRIP "${TAVRIX_QT_SOURCE}" TAVRIX_QT_SOURCE) # "qt6-base <version>"
string(REPLACE " " "=" TAVRIX_QT_SOURCE_APT "${TAVRIX_QT_SOURCE}")
string(REPLACE " " "/" TAVRIX_QT_SOURCE_URL "${TAVRIX_QT_SOURCE}")
string(REPLACE "+" "%2B" TAVRIX_QT_SOURCE_URL "${TAVRIX_QT_SOURCE_URL}")
file(READ ${_tavrix_qt_notices}/configure-line.txt TAVRIX_QT_CONFIGURE)
string(STRIP "${TAVRIX_QT_CONFIGURE}" TAVRIX_QT_CONFIGURE)
configure_file(${_tavrix_windows}/LICENSES.txt.in ${_tavrix_generated}/README.txt @ONLY)

set(_tavrix_licences
    ${_tavrix_generated}/README.txt README.txt
    ${PROJECT_SOURCE_DIR}/LICENSE GPL-3.0.txt
    ${PROJECT_SOURCE_DIR}/data/dict.txt.NOTICE dict.txt-NOTICE.txt
    ${PROJECT_SOURCE_DIR}/ui/resources/fonts/NOTICE Tahoma-face-NOTICE.txt
    ${PROJECT_SOURCE_DIR}/ui/resources/fonts/COPYING.LGPL LGPL-2.1.txt
    /usr/share/common-licenses/LGPL-3 LGPL-3.0.txt
    ${_tavrix_qt_notices}/copyright Qt-copyright.txt
    /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime-copyright.txt
    /usr/share/doc/mingw-w64-common/copyright mingw-w64-copyright.txt)
set(_tavrix_licence_sources)
while(_tavrix_licences)
    list(POP_FRONT _tavrix_licences _tavrix_source _tavrix_name)
    if(NOT EXISTS ${_tavrix_source})
        message(FATAL_ERROR "The licence text ${_tavrix_source} is missing (scripts/windows.sh installs it)")
    endif()
    install(FILES ${_tavrix_source} DESTINATION licenses RENAME ${_tavrix_name})
    list(APPEND _tavrix_licence_sources ${_tavrix_source})
endwhile()

# ---- The packages ----------------------------------------------------------------------------------------
# Any earlier version, and another build of this one, is upgraded in place: versions below the next patch
# version are removed first.
set(TAVRIX_UPGRADE_CODE cf18aa19-c2c6-4210-9aac-5f6666b68218)
math(EXPR _tavrix_next_patch "${PROJECT_VERSION_PATCH} + 1")
set(TAVRIX_NEXT_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${_tavrix_next_patch})
configure_file(${_tavrix_windows}/tavrix.wxs.in ${_tavrix_generated}/tavrix.wxs @ONLY)

set(TAVRIX_WINDOWS_PACKAGE_NAME tavrix-${PROJECT_VERSION}-win64)
set(TAVRIX_WINDOWS_PACKAGES_DIR ${CMAKE_BINARY_DIR}/packages)
set(_tavrix_packages ${TAVRIX_WINDOWS_PACKAGES_DIR}/${TAVRIX_WINDOWS_PACKAGE_NAME}.zip
                     ${TAVRIX_WINDOWS_PACKAGES_DIR}/${TAVRIX_WINDOWS_PACKAGE_NAME}.msi)
add_custom_command(OUTPUT ${_tavrix_packages}
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSTAGE_DIR=${CMAKE_BINARY_DIR}/package-stage
            -DNAME=${TAVRIX_WINDOWS_PACKAGE_NAME} -DOUTPUT_DIR=${TAVRIX_WINDOWS_PACKAGES_DIR}
            -DWXS=${_tavrix_generated}/tavrix.wxs -DICON=${TAVRIX_RC_ICON} -DWIXL=${TAVRIX_PROGRAM_WIXL} -DSTRIP=${CMAKE_STRIP} -DMTIME=${TAVRIX_RELEASE_DATE}
            -P ${_tavrix_windows}/MakePackages.cmake
    DEPENDS tavrix tavrix_console ${_tavrix_windows}/MakePackages.cmake ${_tavrix_generated}/tavrix.wxs
            ${TAVRIX_RC_ICON} ${PROJECT_SOURCE_DIR}/data/dict.txt ${_tavrix_licence_sources}
    COMMENT "Making ${TAVRIX_WINDOWS_PACKAGE_NAME}.zip and .msi in packages/"
    VERBATIM)
add_custom_target(tavrix_windows_packages ALL DEPENDS ${_tavrix_packages})
