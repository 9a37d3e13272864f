# The changelog's entries as the AppStream files' <releases>: a changelog of two releases, one
# with several items (a continued line, XML's reserved characters, a semicolon), comes out as
# written below; a changelog with a line out of place stops with that line's number.
#   cmake -DFUNCTIONS=packaging/debian/changelog.cmake -DWORK=scratch
#         -P changelog_releases_test.cmake
if(DEFINED CHANGELOG)
    # The child run: one changelog, its releases on standard output.
    include(${FUNCTIONS})
    zav_changelog_releases(${CHANGELOG} releases latest)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${latest}\n${releases}")
    return()
endif()

file(MAKE_DIRECTORY ${WORK})
set(signature " -- Zav developers <maintainers@zavcompanions.org> ")
file(WRITE ${WORK}/good
     "zav-companions (1.1) unstable; urgency=medium\n\n"
     "  * KeyVoice keeps <recordings> & settings; VoxGauge too.\n"
     "  * A longer item that goes on\n"
     "    over two lines.\n\n"
     "${signature} Mon, 1 Feb 2027 10:00:00 +0100\n\n"
     "zav-companions (1.0) unstable; urgency=medium\n\n"
     "  * The first release.\n\n"
     "${signature} Tue, 08 Dec 2026 12:00:00 +0000\n")
file(WRITE ${WORK}/bad
     "zav-companions (1.0) unstable; urgency=medium\n\n"
     "  - The first release.\n\n"
     "${signature} Tue, 08 Dec 2026 12:00:00 +0000\n")
set(expected [[1.1
    <release version="1.1" date="2027-02-01">
      <description>
        <ul>
          <li>KeyVoice keeps &lt;recordings&gt; &amp; settings; VoxGauge too.</li>
          <li>A longer item that goes on over two lines.</li>
        </ul>
      </description>
    </release>
    <release version="1.0" date="2026-12-08">
      <description>
        <p>The first release.</p>
      </description>
    </release>
]])

set(problems "")
foreach(case good bad)
    execute_process(COMMAND ${CMAKE_COMMAND} -DFUNCTIONS=${FUNCTIONS} -DCHANGELOG=${WORK}/${case}
                            -P ${CMAKE_CURRENT_LIST_FILE}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    # CMake wraps a long message (a long build path) wherever it likes.
    string(REGEX REPLACE "[ \n]+" " " flat_err "${err}")
    if(case STREQUAL "good" AND NOT (status EQUAL 0 AND out STREQUAL expected))
        string(APPEND problems "the good changelog gave (status ${status}):\n${out}${err}\n")
    elseif(case STREQUAL "bad" AND (status EQUAL 0 OR NOT flat_err MATCHES "bad:3: not a line"))
        string(APPEND problems "the bad changelog was not refused at line 3:\n${out}${err}\n")
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "${problems}")
endif()
