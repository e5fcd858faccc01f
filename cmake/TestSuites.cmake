# Registers a GoogleTest program with CTest. A native build lists its tests one by one. A cross
# build runs the whole program as one test through the emulator (Wine), since listing the tests
# would need the emulator at build time. A program that shows windows runs on Qt's offscreen
# platform, which a static Qt links in only when asked.
function(wingcall_add_test_suite target)
    cmake_parse_arguments(PARSE_ARGV 1 SUITE "QT" "TIMEOUT" "PROPERTIES")
    if(SUITE_QT)
        if(TARGET Qt6::Core)
            get_target_property(qt_core_type Qt6::Core TYPE)
            if(qt_core_type STREQUAL "STATIC_LIBRARY")
                qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
            endif()
        endif()
        list(APPEND SUITE_PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
    endif()
    if(NOT SUITE_TIMEOUT)
        set(SUITE_TIMEOUT 600)
    endif()
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES TIMEOUT ${SUITE_TIMEOUT} ${SUITE_PROPERTIES})
    else()
        # A test that waits for ever fails after a few minutes instead of holding up the run.
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
            PROPERTIES TIMEOUT 300 ${SUITE_PROPERTIES})
    endif()
endfunction()
