# Regenerates the placeholder module and checks it against content/module.xm. The
# composed module replaces the placeholder; from then on this check passes silently.
execute_process(COMMAND ${FIXTURES} demo ${SCRATCH} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "qv_xm_fixtures demo failed")
endif()
file(READ ${COMMITTED} committed HEX)
file(READ ${SCRATCH} regenerated HEX)
file(READ ${COMMITTED} signature LIMIT 37)
if(NOT committed STREQUAL regenerated)
    # Only the placeholder is made by the writer; its name field says so.
    string(FIND "${signature}" "test module" placeholder)
    if(NOT placeholder EQUAL -1)
        message(FATAL_ERROR "content/module.xm differs from what tests/music/fixtures.h writes; run: qv_xm_fixtures demo content/module.xm")
    endif()
endif()
