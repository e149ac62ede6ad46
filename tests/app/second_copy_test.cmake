# Starts the program, then a second copy beside it: the second must end at
# once by itself (exit code 0) while the first goes on running.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/runtime ${WORK_DIR}/config)
set(ENV{XDG_RUNTIME_DIR} ${WORK_DIR}/runtime)
set(ENV{XDG_CONFIG_HOME} ${WORK_DIR}/config)
set(ENV{QT_QPA_PLATFORM} offscreen)

# The first copy runs in the background for a while and holds the lock.
execute_process(COMMAND sh -c "\"${OMBREL}\" >/dev/null 2>&1 & echo $!" OUTPUT_VARIABLE first_pid
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(locked FALSE)
foreach(attempt RANGE 100)
  execute_process(COMMAND flock -n ${WORK_DIR}/runtime/User_program_Kolvmark_Tovra.lock true RESULT_VARIABLE probe)
  if(EXISTS ${WORK_DIR}/runtime/User_program_Kolvmark_Tovra.lock AND NOT probe EQUAL 0)
    set(locked TRUE)
    break()
  endif()
  execute_process(COMMAND sleep 0.1)
endforeach()
if(NOT locked)
  execute_process(COMMAND kill ${first_pid})
  message(FATAL_ERROR "the first copy never took its lock")
endif()

execute_process(COMMAND ${OMBREL} RESULT_VARIABLE second_rc TIMEOUT 30)
execute_process(COMMAND kill -0 ${first_pid} RESULT_VARIABLE first_alive)
execute_process(COMMAND kill ${first_pid})
if(NOT second_rc EQUAL 0)
  message(FATAL_ERROR "the second copy did not end by itself: ${second_rc}")
endif()
if(NOT first_alive EQUAL 0)
  message(FATAL_ERROR "the first copy did not survive the second")
endif()
