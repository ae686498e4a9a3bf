# Runs quaxel2-bankgen on faulty copies of the factory bank's source: each
# must fail with a message that says where and what is wrong, and write
# nothing. Arguments: -DBANKGEN=tool -DSOURCE=factory_bank.txt -DWORK_DIR=dir
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(READ ${SOURCE} good)

# The line of the good source on which `text` first appears.
function(line_of text out)
  string(FIND "${good}" "${text}" position)
  if(position EQUAL -1)
    message(FATAL_ERROR "the source has no '${text}' any more: update ${CMAKE_CURRENT_LIST_FILE}")
  endif()
  string(SUBSTRING "${good}" 0 ${position} before)
  string(REGEX MATCHALL "\n" newlines "${before}")
  list(LENGTH newlines count)
  math(EXPR line "${count} + 1")
  set(${out} ${line} PARENT_SCOPE)
endfunction()

function(expect_fault name find replace expected)
  string(REPLACE "${find}" "${replace}" faulty "${good}")
  set(source ${WORK_DIR}/${name}.txt)
  file(WRITE ${source} "${faulty}")
  execute_process(COMMAND ${BANKGEN} ${source} ${WORK_DIR}/${name}.bin ${WORK_DIR}/${name}.S
    RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(result EQUAL 0)
    message(SEND_ERROR "${name}: the faulty source was accepted")
  endif()
  string(FIND "${errors}" "${source}${expected}" found)
  if(found EQUAL -1)
    message(SEND_ERROR "${name}: expected '${source}${expected}', got:\n${errors}")
  endif()
  if(EXISTS ${WORK_DIR}/${name}.bin OR EXISTS ${WORK_DIR}/${name}.S)
    message(SEND_ERROR "${name}: output was written")
  endif()
endfunction()

line_of("catalogue \"Warm Pad\"" pad)
expect_fault(unknown_name "catalogue \"Warm Pad\"" "catalogue \"Warm Pads\""
  ":${pad}: no catalogue instrument is called \"Warm Pads\"")
expect_fault(out_of_range "catalogue \"Warm Pad\" " "catalogue \"Warm Pad\" pan=1.5 "
  ":${pad}: pan=1.5 is outside 0..1")
line_of("instrus/Grand Piano.wav" piano)
expect_fault(unknown_resource "instrus/Grand Piano.wav" "instrus/Grand Piano.aif"
  ":${piano}: no embedded resource is called \":/Resources/sounds/instrus/Grand Piano.aif\"")
expect_fault(one_character_more "\"Init\"" "\"Inits\""
  ": the bank takes 55190 bytes instead of 55188, 2 too many")
expect_fault(one_program_less "program 127 \"Init\"" ""
  ": programs: 127 instead of 128")
