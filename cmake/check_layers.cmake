# Fails when a source includes a header of a folder its layer may not use.
#   cmake -DSOURCE_DIR=<repository> -P cmake/check_layers.cmake
# Run by CTest (layer_includes). Every folder named below may include its own
# headers and those of the folders listed after it, nothing else of src/; a
# folder not named is not checked yet. Includes are matched by their folder
# exactly: "editor/listing.h" is of editor, "editor/gui/listing_view.h" of
# editor/gui.

cmake_minimum_required(VERSION 3.25)

# The core, from the bottom up; the GUI stands on all of it but never on the
# backends, which only the composition at the top chooses from.
set(core "support model protocol compiler editor control device sim app")

# folder           : folders it may include
set(rules
  "protocol        : support model"
  "device          : support model protocol"
  "device/backends : device support"
  "app             : ${core} device/backends"
  "ui           : ${core}"
  "editor/gui   : ui ${core}"
  "control/gui  : ui ${core}"
)

# Globbing relative to a relative folder finds nothing to check.
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}/src")
  message(FATAL_ERROR "give the repository as -DSOURCE_DIR")
endif()

set(failures "")
foreach(rule IN LISTS rules)
  if(NOT rule MATCHES "^([^:]+):(.*)$")
    message(FATAL_ERROR "not a rule: '${rule}'")
  endif()
  string(STRIP "${CMAKE_MATCH_1}" folder)
  string(STRIP "${CMAKE_MATCH_2}" allowed)
  string(REGEX REPLACE "[ \t]+" ";" allowed "${allowed}")
  # A renamed folder must not leave its rule checking nothing.
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/${folder}")
    message(FATAL_ERROR "the rule for src/${folder} names no folder")
  endif()

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
