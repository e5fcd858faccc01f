# What each Windows program of Wingcall's package carries beside its code: a version resource
# (product "Wingcall", a file description, the project's version, the copyright), generated from
# cmake/version.rc.in into the build folder, and, with MinGW-w64, a link map <target>.map in the
# build folder, which names every library really linked in (tests/windows/package_test.sh checks
# that each has its notice in THIRD-PARTY-NOTICES.txt).
# Usage: wingcall_windows_program(<target> DESCRIPTION "<what the program is>")
# Elsewhere than on Windows it does nothing.
function(wingcall_windows_program target)
    if(NOT WIN32)
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 PROGRAM "" "DESCRIPTION" "")
    set(WINGCALL_RESOURCE_DESCRIPTION "${PROGRAM_DESCRIPTION}")
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(WINGCALL_RESOURCE_NAME "${output_name}")
    set(WINGCALL_RESOURCE_FILE "${output_name}.exe")
    set(resource "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${resource}" @ONLY)
    target_sources(${target} PRIVATE "${resource}")
    if(MINGW)
        target_link_options(${target} PRIVATE "-Wl,-Map=${CMAKE_CURRENT_BINARY_DIR}/${target}.map")
    endif()
endfunction()
