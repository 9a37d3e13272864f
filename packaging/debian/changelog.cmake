# The changelog kept in this folder, in Debian's form, is the one list of releases: the package
# installs it compressed, and the AppStream files show it as their <releases>.
#
#   zav_changelog_releases(<changelog> <releases_var> <latest_version_var>)
#
# Reads the changelog and sets <releases_var> to its entries as AppStream <release> elements
# (newest first, as in the changelog; each entry's items become the release's description) and
# <latest_version_var> to the newest entry's version. A line that is not of the changelog's form
# stops the configuration with its line number, so that a typing slip cannot drop a release.
function(zav_changelog_releases changelog releases_var latest_version_var)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    file(READ ${changelog} text)
    # A CMake list cannot hold a semicolon, and the heading lines carry one.
    string(ASCII 1 semicolon)
    string(REPLACE ";" "${semicolon}" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")

    # "zav-companions (1.0) unstable; urgency=medium" opens an entry, "  * " starts an item,
    # four spaces continue it, and " -- Name <address>  Tue, 08 Dec 2026 12:00:00 +0000" closes
    # the entry.
    set(heading "^zav-companions \\(([0-9][0-9A-Za-z.+~]*)\\) [a-z-]+${semicolon} urgency=[a-z]+$")
    set(date "([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9])")
    set(time "[0-9][0-9]:[0-9][0-9]:[0-9][0-9] [+-][0-9][0-9][0-9][0-9]")
    set(signature "^ -- [^ ].* <[^ ]+@[^ ]+>  [A-Z][a-z][a-z], ${date} ${time}$")

    set(releases "")
    set(latest "")
    set(version "")
    set(items "")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(line STREQUAL "")
            continue()
        elseif(line MATCHES "${heading}" AND version STREQUAL "")
            set(version ${CMAKE_MATCH_1})
            set(items "")
        elseif(line MATCHES "^  \\* (.+)$" AND NOT version STREQUAL "")
            list(APPEND items "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^    ([^ ].*)$" AND NOT items STREQUAL "")
            list(POP_BACK items item)
            list(APPEND items "${item} ${CMAKE_MATCH_1}")
        elseif(line MATCHES "${signature}" AND NOT items STREQUAL "")
            set(day ${CMAKE_MATCH_1})
            list(FIND months ${CMAKE_MATCH_2} month)
            set(year ${CMAKE_MATCH_3})
            if(month LESS 0)
                message(FATAL_ERROR "${changelog}:${number}: no month is called ${CMAKE_MATCH_2}")
            endif()
            math(EXPR month "${month} + 1")
            string(LENGTH "${day}" day_digits)
            if(day_digits EQUAL 1)
                set(day 0${day})
            endif()
            if(month LESS 10)
                set(month 0${month})
            endif()
            # One item is a paragraph, several a list. An item's semicolons are kept as the
            # placeholder while it is in a list, and XML's reserved characters are escaped.
            list(LENGTH items item_count)
            set(open "        <p>")
            set(close "</p>\n")
            string(APPEND releases
                   "    <release version=\"${version}\" date=\"${year}-${month}-${day}\">\n"
                   "      <description>\n")
            if(item_count GREATER 1)
                string(APPEND releases "        <ul>\n")
                set(open "          <li>")
                set(close "</li>\n")
            endif()
            foreach(item IN LISTS items)
                string(REPLACE "&" "&amp;" item "${item}")
                string(REPLACE "<" "&lt;" item "${item}")
                string(REPLACE ">" "&gt;" item "${item}")
                string(REPLACE "${semicolon}" ";" item "${item}")
                string(APPEND releases "${open}${item}${close}")
            endforeach()
            if(item_count GREATER 1)
                string(APPEND releases "        </ul>\n")
            endif()
            string(APPEND releases "      </description>\n" "    </release>\n")
            if(latest STREQUAL "")
                set(latest ${version})
            endif()
            set(version "")
            set(items "")
        else()
            string(REPLACE "${semicolon}" ";" line "${line}")
            message(FATAL_ERROR "${changelog}:${number}: not a line of a Debian changelog here: "
                                "\"${line}\"")
        endif()
    endforeach()
    if(NOT version STREQUAL "" OR latest STREQUAL "")
        message(FATAL_ERROR "${changelog}: the last entry has no items or no signature line")
    endif()
    string(REGEX REPLACE "\n$" "" releases "${releases}")
    set(${releases_var} "${releases}" PARENT_SCOPE)
    set(${latest_version_var} ${latest} PARENT_SCOPE)
endfunction()
