# Runs the composer into SCRATCH and fails unless the bytes equal COMMITTED.
# Run as: cmake -DPYTHON=.. -DCOMPOSER=.. -DCOMMITTED=.. -DSCRATCH=.. -P regenerate_module.cmake
file(REMOVE ${SCRATCH})
execute_process(COMMAND ${PYTHON} ${COMPOSER} -o ${SCRATCH} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the composer failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH} ${COMMITTED}
                RESULT_VARIABLE different)
if(NOT different EQUAL 0)
    message(FATAL_ERROR "${COMMITTED} differs from what tools/compose writes now; "
                        "run tools/compose/compose.py and commit the result")
endif()
