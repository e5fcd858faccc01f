# Copies SOURCE to DESTINATION for the program folder.
# MODE keep: only when DESTINATION does not exist yet (user data such as Wingcall.ini).
# MODE refresh: whenever the content differs (files the project owns, such as documentation).
# A SOURCE that does not exist yet is reported and skipped, so the program still builds.
if(NOT EXISTS "${SOURCE}")
    message(STATUS "Not in the source tree yet, not copied: ${SOURCE}")
    return()
endif()
if(MODE STREQUAL "keep" AND EXISTS "${DESTINATION}")
    return()
endif()
get_filename_component(destination_folder "${DESTINATION}" DIRECTORY)
file(MAKE_DIRECTORY "${destination_folder}")
if(MODE STREQUAL "keep")
    file(COPY_FILE "${SOURCE}" "${DESTINATION}")
else()
    file(COPY_FILE "${SOURCE}" "${DESTINATION}" ONLY_IF_DIFFERENT)
endif()
