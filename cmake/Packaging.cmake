# The portable program folder as an archive: `cpack` in a build folder gives a ZIP on Windows and
# a TGZ elsewhere, unpacking to Wingcall/ with the program, the shipped Wingcall.ini, the pilot's
# ReadMe.txt, LICENSE (and on Windows THIRD-PARTY-NOTICES.txt), the key names page and the Voxtrel
# stand-in (try-without-voxtrel/ with its key-name list and an empty profiles/ folder).
# `cmake --install <build> --prefix <folder>` lays out the same <folder>/Wingcall/; the Windows ZIP
# that scripts/build-windows packs is made from that layout.
# The build's own <build>/Wingcall/ is left as it is: the archive takes the shipped Wingcall.ini,
# never the settings a developer's runs have written there.
if(NOT TARGET Wingcall)
    return()
endif()

set(WINGCALL_PACKAGE_FOLDER Wingcall)
set(WINGCALL_STAND_IN_FOLDER try-without-voxtrel)

# The texts a pilot reads beside the program are laid out in the build's program folder too, so
# that it matches the archive: on Windows with CR LF whatever the checkout's line ends, for
# Notepad, and the Windows ReadMe.txt; elsewhere with LF and the ReadMe.txt in Linux words.
if(WIN32)
    set(WINGCALL_PILOT_TEXT_LINE_ENDS CRLF)
    set(WINGCALL_PILOT_TEXTS
        "${PROJECT_SOURCE_DIR}/packaging/ReadMe.txt.in|ReadMe.txt"
        "${PROJECT_SOURCE_DIR}/LICENSE|LICENSE"
        # What the Windows programs link in, with the licences; see packaging/README.md.
        "${PROJECT_SOURCE_DIR}/packaging/THIRD-PARTY-NOTICES.txt|THIRD-PARTY-NOTICES.txt")
else()
    set(WINGCALL_PILOT_TEXT_LINE_ENDS UNIX)
    set(WINGCALL_PILOT_TEXTS
        "${PROJECT_SOURCE_DIR}/packaging/ReadMe-Linux.txt.in|ReadMe.txt"
        "${PROJECT_SOURCE_DIR}/LICENSE|LICENSE")
endif()
foreach(text IN LISTS WINGCALL_PILOT_TEXTS)
    string(REPLACE "|" ";" text "${text}")
    list(GET text 0 text_source)
    list(GET text 1 text_name)
    configure_file("${text_source}" "${CMAKE_BINARY_DIR}/Wingcall/${text_name}" @ONLY
                   NEWLINE_STYLE ${WINGCALL_PILOT_TEXT_LINE_ENDS})
    install(FILES "${CMAKE_BINARY_DIR}/Wingcall/${text_name}"
            DESTINATION ${WINGCALL_PACKAGE_FOLDER})
endforeach()

install(TARGETS Wingcall RUNTIME DESTINATION ${WINGCALL_PACKAGE_FOLDER})
install(FILES ${PROJECT_SOURCE_DIR}/data/Wingcall.ini DESTINATION ${WINGCALL_PACKAGE_FOLDER})
install(FILES ${PROJECT_SOURCE_DIR}/docs/key-names.html
        DESTINATION ${WINGCALL_PACKAGE_FOLDER}/docs)

if(TARGET voxtrel)
    set(stand_in_destination ${WINGCALL_PACKAGE_FOLDER}/${WINGCALL_STAND_IN_FOLDER})
    install(TARGETS voxtrel RUNTIME DESTINATION ${stand_in_destination})
    install(FILES ${PROJECT_SOURCE_DIR}/data/key-names.txt DESTINATION ${stand_in_destination})
    # An empty profiles/ folder, where the first run points Wingcall's saved profiles when the
    # stand-in is chosen.
    install(DIRECTORY DESTINATION ${stand_in_destination}/profiles)
endif()

# On Windows a shared Qt's libraries and plugins go beside each program, as windeployqt gathers
# them; a static Qt (scripts/build-qt-windows) is inside the programs already.
set(WINGCALL_QT_IS_STATIC OFF)
if(TARGET Qt6::Core)
    get_target_property(WINGCALL_QT_CORE_TYPE Qt6::Core TYPE)
    if(WINGCALL_QT_CORE_TYPE STREQUAL "STATIC_LIBRARY")
        set(WINGCALL_QT_IS_STATIC ON)
    endif()
endif()
if(WIN32 AND NOT WINGCALL_QT_IS_STATIC)
    set(WINGCALL_QT_BIN_HINTS "${Qt6_DIR}/../../../bin")
    if(TARGET Qt6::qmake)
        get_target_property(WINGCALL_QMAKE Qt6::qmake IMPORTED_LOCATION)
        get_filename_component(WINGCALL_QMAKE_FOLDER "${WINGCALL_QMAKE}" DIRECTORY)
        list(APPEND WINGCALL_QT_BIN_HINTS "${WINGCALL_QMAKE_FOLDER}")
    endif()
    find_program(WINGCALL_WINDEPLOYQT windeployqt HINTS ${WINGCALL_QT_BIN_HINTS})
    if(WINGCALL_WINDEPLOYQT)
        set(WINGCALL_DEPLOYED_PROGRAMS "${WINGCALL_PACKAGE_FOLDER}/Wingcall.exe")
        if(TARGET voxtrel)
            list(APPEND WINGCALL_DEPLOYED_PROGRAMS
                 "${WINGCALL_PACKAGE_FOLDER}/${WINGCALL_STAND_IN_FOLDER}/voxtrel.exe")
        endif()
        foreach(program IN LISTS WINGCALL_DEPLOYED_PROGRAMS)
            install(CODE "
                execute_process(
                    COMMAND \"${WINGCALL_WINDEPLOYQT}\" --no-translations --no-compiler-runtime
                            \"\${CMAKE_INSTALL_PREFIX}/${program}\"
                    COMMAND_ERROR_IS_FATAL ANY)")
        endforeach()
    else()
        message(WARNING "windeployqt not found: the package will lack the Qt libraries")
    endif()
endif()

# A static Windows build carries its symbols for nothing in the pilot's ZIP.
if(WIN32 AND WINGCALL_QT_IS_STATIC)
    set(CPACK_STRIP_FILES ON)
endif()

set(CPACK_PACKAGE_NAME Wingcall)
set(CPACK_PACKAGE_VENDOR Wingcall)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Automatic Voxtrel Profiles Generator")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR TGZ)
endif()
# The archive holds Wingcall/ itself rather than a folder named after the package.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_FILE_NAME "Wingcall-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
include(CPack)
