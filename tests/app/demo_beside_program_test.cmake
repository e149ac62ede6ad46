# Starts the program, then the demo beside it: the demo must keep running
# (it holds a lock of its own), and a second demo must end by itself.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/runtime ${WORK_DIR}/config)
set(ENV{XDG_RUNTIME_DIR} ${WORK_DIR}/runtime)
set(ENV{XDG_CONFIG_HOME} ${WORK_DIR}/config)
set(ENV{QT_QPA_PLATFORM} offscreen)

# Waits until the lock file NAME.lock is held by a running process.
function(wait_for_lock name result)
  set(${result} FALSE PARENT_SCOPE)
  foreach(attempt RANGE 100)
    execute_process(COMMAND flock -n ${WORK_DIR}/runtime/${name}.lock true RESULT_VARIABLE probe)
    if(EXISTS ${WORK_DIR}/runtime/${name}.lock AND NOT probe EQUAL 0)
      set(${result} TRUE PARENT_SCOPE)
      return()
    endif()
    execute_process(COMMAND sleep 0.1)
  endforeach()
endfunction()

execute_process(COMMAND sh -c "\"${OMBREL}\" >/dev/null 2>&1 & echo $!" OUTPUT_VARIABLE program_pid
                OUTPUT_STRIP_TRAILING_WHITESPACE)
wait_for_lock(User_program_Kolvmark_Tovra program_locked)
execute_process(COMMAND sh -c "\"${OMBREL_DEMO}\" >/dev/null 2>&1 & echo $!" OUTPUT_VARIABLE demo_pid
                OUTPUT_STRIP_TRAILING_WHITESPACE)
wait_for_lock(User_program_Kolvmark_Tovra_Demo demo_locked)
execute_process(COMMAND kill -0 ${demo_pid} RESULT_VARIABLE demo_alive)
set(second_rc "not run")
if(demo_locked)
  execute_process(COMMAND ${OMBREL_DEMO} RESULT_VARIABLE second_rc TIMEOUT 30)
endif()
execute_process(COMMAND kill ${demo_pid} ${program_pid})

if(NOT program_locked)
  message(FATAL_ERROR "the program never took its lock")
endif()
if(NOT demo_locked OR NOT demo_alive EQUAL 0)
  message(FATAL_ERROR "the demo did not run beside the program")
endif()
if(NOT second_rc EQUAL 0)
  message(FATAL_ERROR "a second demo did not end by itself: ${second_rc}")
endif()
