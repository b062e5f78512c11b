# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the Windows packages from what the build installs (cmake -P, run by the target
# tavrix_windows_packages of packaging/Windows.cmake):
#   <OUTPUT_DIR>/<NAME>.zip   the program's folder <NAME>/, to unpack anywhere and run
#   <OUTPUT_DIR>/<NAME>.msi   the per-user installer of the same files
# Variables: BUILD_DIR, STAGE_DIR, NAME, OUTPUT_DIR, WXS (the installer's main source), ICON (the icon it
# names), WIXL, STRIP, MTIME.
cmake_minimum_required(VERSION 3.25)

foreach(variable BUILD_DIR STAGE_DIR NAME OUTPUT_DIR WXS ICON WIXL STRIP MTIME)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "MakePackages.cmake: ${variable} is not set")
    endif()
endforeach()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        string(JOIN " " command ${ARGN})
        message(FATAL_ERROR "${command} failed (${status}):\n${output}")
    endif()
endfunction()

# The files as an installed program has them, without debugging information.
set(folder ${STAGE_DIR}/${NAME})
file(REMOVE_RECURSE ${STAGE_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${folder} --strip)
# The DLLs come with debugging information, which the programs never read (Debian's libstdc++-6.dll is 24 MB
# with it and 4 MB without).
file(GLOB_RECURSE dlls ${folder}/*.dll)
foreach(dll IN LISTS dlls)
    run(${STRIP} --strip-debug ${dll})
endforeach()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
list(SORT files)

# The zip: the folder itself, its entries in a fixed order and dated with the release.
set(entries ${files})
list(TRANSFORM entries PREPEND ${NAME}/)
file(MAKE_DIRECTORY ${OUTPUT_DIR})
run(${CMAKE_COMMAND} -E chdir ${STAGE_DIR}
    ${CMAKE_COMMAND} -E tar cf ${OUTPUT_DIR}/${NAME}.zip.part --format=zip --mtime=${MTIME} ${entries})
file(RENAME ${OUTPUT_DIR}/${NAME}.zip.part ${OUTPUT_DIR}/${NAME}.zip)

# The installer's files: one component a file (its key path), in folders as staged. Identifiers are made
# from the paths, so they stay the same from one version to the next. wixl takes sources by relative path
# only, so it runs in the staging folder, where the icon is put too.
function(identifier out prefix path)
    string(MAKE_C_IDENTIFIER "${path}" id)
    set(${out} "${prefix}_${id}" PARENT_SCOPE)
endfunction()
set(components)
set(body "")
set(open_folder "")
foreach(file IN LISTS files)
    get_filename_component(subfolder "${file}" DIRECTORY)
    get_filename_component(name "${file}" NAME)
    if(NOT subfolder STREQUAL open_folder)
        if(NOT open_folder STREQUAL "")
            string(APPEND body "      </Directory>\n")
        endif()
        if(subfolder MATCHES "/")
            message(FATAL_ERROR "MakePackages.cmake: ${file} lies more than one folder deep")
        endif()
        if(NOT subfolder STREQUAL "")
            identifier(folder_id d "${subfolder}")
            string(APPEND body "      <Directory Id=\"${folder_id}\" Name=\"${subfolder}\">\n")
        endif()
        set(open_folder "${subfolder}")
    endif()
    identifier(component_id c "${file}")
    identifier(file_id f "${file}")
    list(APPEND components ${component_id})
    string(APPEND body "        <Component Id=\"${component_id}\" Guid=\"*\" Win64=\"yes\">\n"
                       "          <File Id=\"${file_id}\" Name=\"${name}\" Source=\"${NAME}/${file}\" KeyPath=\"yes\"/>\n")
    if(file STREQUAL "tavrix.exe")
        string(APPEND body "          <Shortcut Id=\"StartMenuShortcut\" Directory=\"ProgramMenuFolder\" Name=\"Tavrix\""
                           " Description=\"Generate keys for WEP-secured wireless networks\""
                           " Target=\"[INSTALLDIR]tavrix.exe\" WorkingDirectory=\"INSTALLDIR\" Icon=\"tavrix.ico\"/>\n")
    endif()
    string(APPEND body "        </Component>\n")
endforeach()
if(NOT open_folder STREQUAL "")
    string(APPEND body "      </Directory>\n")
endif()
set(references "")
foreach(component IN LISTS components)
    string(APPEND references "      <ComponentRef Id=\"${component}\"/>\n")
endforeach()
file(WRITE ${STAGE_DIR}/files.wxs
     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
     "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
     "  <Fragment>\n    <DirectoryRef Id=\"INSTALLDIR\">\n${body}    </DirectoryRef>\n  </Fragment>\n"
     "  <Fragment>\n    <ComponentGroup Id=\"ProgramFiles\">\n${references}    </ComponentGroup>\n  </Fragment>\n"
     "</Wix>\n")
file(COPY_FILE ${ICON} ${STAGE_DIR}/tavrix.ico)
file(COPY_FILE ${WXS} ${STAGE_DIR}/tavrix.wxs)
run(${CMAKE_COMMAND} -E chdir ${STAGE_DIR} ${WIXL} -a x64 -o ${OUTPUT_DIR}/${NAME}.msi.part tavrix.wxs files.wxs)
file(RENAME ${OUTPUT_DIR}/${NAME}.msi.part ${OUTPUT_DIR}/${NAME}.msi)
