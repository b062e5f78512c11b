# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Windows build: the DLLs and plugins the programs load, copied beside them into bin/, so that bin/ runs as
# it is (tavrix.exe, dict.txt, the Qt and mingw runtime DLLs, platforms/, styles/, imageformats/).

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

set(_tavrix_bin ${CMAKE_BINARY_DIR}/bin)
set(_tavrix_copy ${CMAKE_COMMAND} -E copy_if_different)
add_custom_target(tavrix_windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_tavrix_bin}/platforms ${_tavrix_bin}/styles
            ${_tavrix_bin}/imageformats
    COMMAND ${_tavrix_copy} ${TAVRIX_MINGW_RUNTIME} $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui>
            $<TARGET_FILE:Qt6::Widgets> $<TARGET_FILE:Qt6::Test> ${_tavrix_bin}
    COMMAND ${_tavrix_copy} $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> ${_tavrix_bin}/platforms
    COMMAND ${_tavrix_copy} $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> ${_tavrix_bin}/styles
    COMMAND ${_tavrix_copy} $<TARGET_FILE:Qt6::QJpegPlugin> ${_tavrix_bin}/imageformats
    COMMAND ${_tavrix_copy} ${CMAKE_SOURCE_DIR}/data/dict.txt ${_tavrix_bin}
    COMMENT "Copying the Qt and mingw runtime DLLs, the plugins and dict.txt into bin/"
    VERBATIM)
