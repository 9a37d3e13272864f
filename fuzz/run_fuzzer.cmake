# Runs one fuzz target for SECONDS over a fresh copy of its seed corpus, so that what it finds
# stays in the build folder: cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DSECONDS=... -P this.
# Fails when the target reports a finding (a crash, a broken property, a leak, a timeout).
foreach(variable FUZZER SEEDS WORK SECONDS)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "run_fuzzer.cmake needs -D${variable}=...")
    endif()
endforeach()
if(NOT IS_DIRECTORY ${SEEDS})
    message(FATAL_ERROR "no seed corpus at ${SEEDS}")
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/artifacts)
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -print_final_stats=1
                        -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(GLOB findings ${WORK}/artifacts/*)
    message(FATAL_ERROR "${FUZZER} failed (${result}); inputs kept: ${findings}")
endif()
