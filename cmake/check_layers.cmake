# Fails when a source includes a header of a folder its layer may not use, or
# when a folder of src/ with sources has no rule.
#   cmake -DSOURCE_DIR=<repository> -P cmake/check_layers.cmake
# Run by CTest (layer_includes). A rule names the folders whose libraries a
# folder's library links (src/*/CMakeLists.txt); the folder may include its own
# headers and those of every folder it reaches through them, nothing else of
# src/. Includes are matched by their folder exactly: "editor/listing.h" is of
# editor, "editor/gui/listing_view.h" of editor/gui.

cmake_minimum_required(VERSION 3.25)

# folder           : the folders it links
set(rules
  "support         :"
  "model           :"
  "protocol        : model"
  "compiler        : model support"
  "editor          : model support"
  "control         : protocol model"
  "device          : protocol model support"
  "sim             : protocol model support"
  "device/backends : device"
  "app             : compiler editor device device/backends sim model support"
  "cli             : app compiler editor device control sim model support"
  "ui              : support"
  "editor/gui      : ui editor"
  "control/gui     : ui device sim protocol model support control editor"
  "shell/gui       : editor/gui control/gui ui app device editor control protocol model support"
)

# Globbing relative to a relative folder finds nothing to check.
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}/src")
  message(FATAL_ERROR "give the repository as -DSOURCE_DIR")
endif()

set(failures "")
set(folders "")
foreach(rule IN LISTS rules)
  if(NOT rule MATCHES "^([^:]+):(.*)$")
    message(FATAL_ERROR "not a rule: '${rule}'")
  endif()
  string(STRIP "${CMAKE_MATCH_1}" folder)
  string(STRIP "${CMAKE_MATCH_2}" links)
  string(REGEX REPLACE "[ \t]+" ";" links "${links}")
  # A renamed folder must not leave its rule checking nothing.
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/${folder}")
    message(FATAL_ERROR "the rule for src/${folder} names no folder")
  endif()
  list(APPEND folders "${folder}")
  string(MAKE_C_IDENTIFIER "${folder}" id)
  set(links_${id} "${links}")
endforeach()

# Every folder with sources has a rule: a new folder is not left unchecked.
file(GLOB_RECURSE all_sources LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}/src"
     "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
foreach(source IN LISTS all_sources)
  get_filename_component(folder "${source}" DIRECTORY)
  if(NOT folder IN_LIST folders)
    list(APPEND failures "src/${folder}/ has no rule")
    list(APPEND folders "${folder}")
  endif()
endforeach()

foreach(folder IN LISTS rules)
  string(REGEX REPLACE "[ \t]*:.*$" "" folder "${folder}")
  string(MAKE_C_IDENTIFIER "${folder}" id)
  # What a library reaches through its links, it may include.
  set(allowed "${links_${id}}")
  set(todo "${allowed}")
  while(todo)
    list(POP_FRONT todo below)
    if(NOT below IN_LIST folders)
      message(FATAL_ERROR "the rule for src/${folder} names ${below}, which has no rule")
    endif()
    string(MAKE_C_IDENTIFIER "${below}" below_id)
    foreach(next IN LISTS links_${below_id})
      if(NOT next IN_LIST allowed)
        list(APPEND allowed "${next}")
        list(APPEND todo "${next}")
      endif()
    endforeach()
  endwhile()

  file(GLOB sources LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}/src"
       "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${SOURCE_DIR}/src/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "\"([^\"]+)\"")
        continue()
      endif()
      set(header "${CMAKE_MATCH_1}")
      get_filename_component(from "${header}" DIRECTORY)
      if(from STREQUAL "" OR from STREQUAL folder OR from IN_LIST allowed)
        continue()
      endif()
      list(APPEND failures "src/${source} includes \"${header}\": ${folder}/ may not use ${from}/")
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "includes across the layers:\n${text}")
endif()
