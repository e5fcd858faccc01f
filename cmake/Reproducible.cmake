# A MinGW-w64 build of the Windows programs gives the same bytes in any build folder, from any
# checkout folder, at any time, so that anyone can rebuild the pilot's ZIP and compare it:
# - the linker writes no time stamp into the PE header and the export directory (the PE checksum
#   then follows from the contents alone);
# - paths of the source and build folders that reach the objects (__FILE__, debug information)
#   are written relative to them (the build folder's mapping is given last so that it wins when
#   the build folder lies inside the source folder);
# - time stamps inside the embedded Qt resources come from SOURCE_DATE_EPOCH, which rcc honours
#   and scripts/build-windows sets to the commit's time.
# Native Linux builds keep their real paths, which debuggers need.
if(NOT MINGW)
    return()
endif()
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=source>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
