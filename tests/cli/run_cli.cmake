# Runs tindral-render once, as a user would, and checks what it left behind.
#   -DCOMMAND="emulator|exe|arg|..."  the command, "|"-separated
#   -DWORKDIR=dir   cleared first; the run happens there
#   -DEXPECT_EXIT=n
#   -DEXPECT_STDERR=regex            optional
#   -DOUTPUT=name -DEXPECT_FILE=golden  the output must equal the golden file
#   -DOUTPUT=name -DEXPECT_NO_OUTPUT=ON  no output may appear (nor stray files)
#   -DOUTPUT=name -DKEEP=ON             an existing output must survive the failure
string(REPLACE "|" ";" command "${COMMAND}")
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
if(KEEP)
  file(WRITE "${WORKDIR}/${OUTPUT}" "precious")
endif()
execute_process(COMMAND ${command} WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE exit_code ERROR_VARIABLE stderr OUTPUT_VARIABLE stdout)
if(NOT exit_code STREQUAL EXPECT_EXIT)
  message(FATAL_ERROR "exit code ${exit_code}, expected ${EXPECT_EXIT}\nstderr: ${stderr}")
endif()
if(DEFINED EXPECT_STDERR AND NOT stderr MATCHES "${EXPECT_STDERR}")
  message(FATAL_ERROR "stderr does not match '${EXPECT_STDERR}': ${stderr}")
endif()
string(REGEX MATCHALL "\n" lines "${stderr}")
list(LENGTH lines line_count)
if(line_count GREATER 1)
  message(FATAL_ERROR "more than one line on stderr: ${stderr}")
endif()
file(GLOB left RELATIVE "${WORKDIR}" "${WORKDIR}/*")
if(EXPECT_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORKDIR}/${OUTPUT}" "${EXPECT_FILE}" RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${OUTPUT} differs from ${EXPECT_FILE}")
  endif()
endif()
if(EXPECT_NO_OUTPUT AND left)
  message(FATAL_ERROR "files left after a failed run: ${left}")
endif()
if(KEEP)
  file(READ "${WORKDIR}/${OUTPUT}" kept)
  if(NOT kept STREQUAL "precious" OR NOT left STREQUAL "${OUTPUT}")
    message(FATAL_ERROR "the existing ${OUTPUT} was touched or files were left: ${left}")
  endif()
endif()
file(REMOVE_RECURSE "${WORKDIR}")
