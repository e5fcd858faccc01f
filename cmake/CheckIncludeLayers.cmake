# Checks that the #include "..." lines of src/ only point down the layers, and prints what it
# checked. Run as a test: cmake -DSOURCE_DIR=<repo>/src -P cmake/CheckIncludeLayers.cmake
# A file may include files of its own folder, of another folder of its own layer (never both ways)
# and of folders in lower layers. settings/ini/ shows the rest of the program its public
# header alone. No Python: this runs wherever CMake does.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "Give the source folder: cmake -DSOURCE_DIR=<repo>/src -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

# Folder and layer, top to bottom. Each folder's README.md says the same in words.
set(layers
    "app=1"
    "app/services=1"
    "profile=2"
    "settings=3"
    "settings/ini=4"
    "files=5"
    "text=6"
    "errors=7")
set(folders "")
foreach(entry IN LISTS layers)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 folder)
    list(GET pair 1 layer)
    set("layer_of_${folder}" ${layer})
    list(APPEND folders ${folder})
endforeach()
# The folder whose only header for the others is the one named here.
set(public_header_of_settings/ini "settings/ini/private_profile.h")

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
list(SORT sources)
set(faults "")
set(edges "")
set(include_count 0)
foreach(source IN LISTS sources)
    get_filename_component(from "${source}" DIRECTORY)
    if(NOT DEFINED "layer_of_${from}")
        list(APPEND faults "${source}: its folder ${from}/ is in no layer of this check")
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" included "${line}")
        math(EXPR include_count "${include_count} + 1")
        get_filename_component(to "${included}" DIRECTORY)
        if(NOT DEFINED "layer_of_${to}")
            list(APPEND faults "${source} includes \"${included}\", from no folder of this check")
            continue()
        endif()
        if(to STREQUAL from)
            continue()
        endif()
        list(APPEND edges "${from} -> ${to}")
        if(layer_of_${to} LESS layer_of_${from})
            list(APPEND faults
                "${source} includes \"${included}\": ${from}/ (layer ${layer_of_${from}}) may not include ${to}/ (layer ${layer_of_${to}}), which lies above it")
        endif()
        if(DEFINED "public_header_of_${to}" AND NOT included STREQUAL public_header_of_${to})
            list(APPEND faults
                "${source} includes \"${included}\": outside ${to}/ only ${public_header_of_${to}} may be included")
        endif()
    endforeach()
endforeach()

list(REMOVE_DUPLICATES edges)
list(SORT edges)
# Folders of one layer may include each other one way only.
foreach(edge IN LISTS edges)
    string(REPLACE " -> " ";" pair "${edge}")
    list(GET pair 0 from)
    list(GET pair 1 to)
    if("${to} -> ${from}" IN_LIST edges AND from STRLESS to)
        list(APPEND faults "${from}/ and ${to}/ include each other")
    endif()
endforeach()

list(LENGTH sources source_count)
message("Include layers, top to bottom:")
foreach(entry IN LISTS layers)
    string(REPLACE "=" " (layer " line "${entry}")
    message("  ${line})")
endforeach()
message("Checked ${include_count} #include \"...\" lines in ${source_count} files under ${SOURCE_DIR}.")
message("Includes between folders:")
foreach(edge IN LISTS edges)
    message("  ${edge}")
endforeach()
if(faults)
    foreach(fault IN LISTS faults)
        message("FAULT: ${fault}")
    endforeach()
    list(LENGTH faults fault_count)
    message(FATAL_ERROR "${fault_count} include(s) break the layers; move the code down a layer or the include up.")
endif()
message("No include points up a layer, no two folders include each other.")
