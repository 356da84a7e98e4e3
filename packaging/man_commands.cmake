# Writes the COMMANDS section of rv720(1) for help2man: each verb's own help, as
# the tool prints it, so the page cannot drift from the tool.
#   cmake -DTOOL=path/to/rv720 -DOUTPUT=file -P man_commands.cmake

execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE overview RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed: ${status}")
endif()

# The verbs are the first words of the lines of the overview's "Commands:" block.
string(REPLACE ";" "," overview "${overview}")
string(REPLACE "\n" ";" lines "${overview}")
set(verbs "")
set(inside OFF)
foreach(line IN LISTS lines)
  if(line STREQUAL "Commands:")
    set(inside ON)
  elseif(inside AND line MATCHES "^  ([a-z-]+) ")
    list(APPEND verbs ${CMAKE_MATCH_1})
  elseif(inside)
    break()
  endif()
endforeach()
if(NOT verbs)
  message(FATAL_ERROR "no commands in the output of ${TOOL} --help")
endif()

set(page "[COMMANDS]\n")
foreach(verb IN LISTS verbs)
  execute_process(COMMAND ${TOOL} help ${verb} OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} help ${verb} failed: ${status}")
  endif()
  # Literal text for troff: backslashes and minus signs escaped, and no line may
  # start with a control character.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REPLACE "-" "\\-" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND page ".SS \"${verb}\"\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${page}")
