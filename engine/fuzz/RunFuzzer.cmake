# Runs one fuzz target for a bounded time over its growing corpus and its
# seeds; any finding (crash, sanitizer report, leak, time-out, out of
# memory) makes the test fail, with the input kept in ARTIFACTS.
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=25 -rss_limit_mb=2560
            -max_len=65536 -print_final_stats=1 -artifact_prefix=${ARTIFACTS} ${CORPUS} ${SEEDS}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} found a fault (exit ${result}); its input is in ${ARTIFACTS}")
endif()
