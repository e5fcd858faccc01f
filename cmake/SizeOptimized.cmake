# The Windows programs are built for size: each is a window of twenty controls over a whole
# static Qt, and the ZIP a pilot downloads is mostly their code. Every function and object goes
# into a section of its own (the static Qt of scripts/build-qt-windows is compiled so too), and
# the linker keeps only the sections a program reaches; -Os then makes the code that stays
# smaller. Nothing of it changes what the programs do. Native builds keep the build type's own
# options, which their tests, benchmarks and debuggers expect.
if(NOT MINGW)
    return()
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-Os>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>")
add_link_options(-Wl,--gc-sections)
