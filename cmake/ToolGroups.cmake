# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Groups of checks and programs that need tools beyond Qt: the benchmarks, the real-desktop tests, the fuzz
# run, the install checks and the check of the word-list generator. Each is an option that is on by default.
# A group whose tools are missing switches itself off with one configure message, so that a machine with
# Qt alone still configures and builds the program and its unit tests. With TAVRIX_REQUIRE_ALL on (as
# scripts/setup.sh configures), a missing tool stops the configure instead: a full test run cannot lose a
# group without saying so.

# Appends to the list <missing> the names of the programs that are not found. Each program is looked up
# into the cache variable TAVRIX_PROGRAM_<NAME> (upper case, '-' and '.' as '_'), which can be set by hand.
function(tavrix_find_programs missing)
    set(absent ${${missing}})
    foreach(name ${ARGN})
        string(TOUPPER "TAVRIX_PROGRAM_${name}" variable)
        string(REGEX REPLACE "[-.]" "_" variable "${variable}")
        find_program(${variable} ${name})
        if(NOT ${variable})
            list(APPEND absent ${name})
        endif()
    endforeach()
    set(${missing} ${absent} PARENT_SCOPE)
endfunction()

# Switches the group <option> off in the calling scope when anything is <missing>, with one message; stops
# the configure instead when TAVRIX_REQUIRE_ALL is on. A group the user switched off is left alone.
function(tavrix_tool_group option description missing)
    if(NOT ${option} OR NOT missing)
        return()
    endif()
    list(JOIN missing ", " names)
    if(TAVRIX_REQUIRE_ALL)
        message(FATAL_ERROR "${description} (${option}): ${names} not found. scripts/setup.sh installs what is "
                            "missing; or configure with -D${option}=OFF to leave the group out.")
    endif()
    message(STATUS "${description} left out (${option}): ${names} not found")
    set(${option} OFF PARENT_SCOPE)
endfunction()
