# Fails when the committed seed corpus differs from what make_seed_corpus writes now:
# cmake -DMAKER=... -DCOMMITTED=... -DWORK=... -P this.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${MAKER} ${WORK} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "make_seed_corpus failed (${made})")
endif()
file(GLOB_RECURSE committed RELATIVE ${COMMITTED} ${COMMITTED}/*)
file(GLOB_RECURSE written RELATIVE ${WORK} ${WORK}/*)
list(SORT committed)
list(SORT written)
if(NOT committed STREQUAL written)
    message(FATAL_ERROR "the seed corpus lists differ; run make_seed_corpus ${COMMITTED}\n"
                        "committed: ${committed}\nwritten: ${written}")
endif()
foreach(file IN LISTS written)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${file} ${COMMITTED}/${file}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "${file} differs from what make_seed_corpus writes; "
                            "run make_seed_corpus ${COMMITTED}")
    endif()
endforeach()
