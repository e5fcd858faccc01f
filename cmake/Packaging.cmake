# The portable program folder as an archive: `cpack` in a build folder gives a ZIP on Windows and
# a TGZ elsewhere, unpacking to Wingcall/ with the program, the shipped Wingcall.ini, the key names
# page and the Voxtrel stand-in (voxtrel/ with its key-name list and an empty profiles/ folder).
# `cmake --install <build> --prefix <folder>` lays out the same <folder>/Wingcall/.
# The build's own <build>/Wingcall/ is left as it is: the archive takes the shipped Wingcall.ini,
# never the settings a developer's runs have written there.
if(NOT TARGET Wingcall)
    return()
endif()

set(WINGCALL_PACKAGE_FOLDER Wingcall)

install(TARGETS Wingcall RUNTIME DESTINATION ${WINGCALL_PACKAGE_FOLDER})
install(FILES ${PROJECT_SOURCE_DIR}/data/Wingcall.ini DESTINATION ${WINGCALL_PACKAGE_FOLDER})
install(FILES ${PROJECT_SOURCE_DIR}/docs/key-names.html
        DESTINATION ${WINGCALL_PACKAGE_FOLDER}/docs)

if(TARGET voxtrel)
    install(TARGETS voxtrel RUNTIME DESTINATION ${WINGCALL_PACKAGE_FOLDER}/voxtrel)
    install(FILES ${PROJECT_SOURCE_DIR}/data/key-names.txt
            DESTINATION ${WINGCALL_PACKAGE_FOLDER}/voxtrel)
    # An empty profiles/ folder, where the first run points Wingcall's saved profiles.
    install(DIRECTORY DESTINATION ${WINGCALL_PACKAGE_FOLDER}/voxtrel/profiles)
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
            list(APPEND WINGCALL_DEPLOYED_PROGRAMS "${WINGCALL_PACKAGE_FOLDER}/voxtrel/voxtrel.exe")
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
