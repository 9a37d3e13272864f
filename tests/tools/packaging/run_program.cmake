# Runs an installed program as a user would and checks its exit status and output.
#   cmake -DPROGRAM=path [-DARGS="a b"] -DSTATUS=n [-DOUT=regex] [-DOUT_LINES=n]
#         [-DERR=regex] [-DERR_LINES=n] -P run_program.cmake
# The patterns see the output without its final line break.
# The program never finds a display: a fault that would open a window ends it with Qt's abort
# instead of leaving the test waiting.
separate_arguments(arguments UNIX_COMMAND "${ARGS}")
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM --unset=XDG_SESSION_TYPE ${PROGRAM} ${arguments}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    TIMEOUT 30)

set(problems "")
if(NOT "${status}" STREQUAL "${STATUS}")
    string(APPEND problems "exit status ${status}, expected ${STATUS}\n")
endif()
foreach(stream OUT ERR)
    string(TOLOWER ${stream} variable)
    set(text "${${variable}}")
    # Without its last line break, so that a pattern can end with $.
    string(REGEX REPLACE "\n$" "" last_line_open "${text}")
    if(DEFINED ${stream} AND NOT last_line_open MATCHES "${${stream}}")
        string(APPEND problems "standard ${variable} does not match ${${stream}}\n")
    endif()
    if(DEFINED ${stream}_LINES)
        string(REGEX MATCHALL "\n" breaks "${text}")
        list(LENGTH breaks lines)
        if(NOT lines EQUAL ${stream}_LINES OR (text AND NOT text MATCHES "\n$"))
            string(APPEND problems "standard ${variable} has ${lines} lines, expected "
                                   "${${stream}_LINES}\n")
        endif()
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "${PROGRAM} ${ARGS}:\n${problems}--- standard output:\n${out}"
                        "--- standard error:\n${err}")
endif()
