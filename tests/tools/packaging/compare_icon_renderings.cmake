# Draws every scalable icon with an independent SVG renderer and compares it with the PNG of
# the same size that the programs' own painter drew: the two must show the same picture.
#   cmake -DICONS=build/icons -DRSVG=rsvg-convert -DCOMPARE=compare -DWORK=scratch
#         -P compare_icon_renderings.cmake
set(size 64)
# Root mean square difference over all channels, alpha included, as a fraction of full scale.
# Both draw with anti-aliasing, so edges differ slightly; a misplaced or missing shape costs far
# more than this.
set(tolerance 0.03)

file(MAKE_DIRECTORY ${WORK})
file(GLOB svgs ${ICONS}/hicolor/scalable/apps/*.svg)
if(NOT svgs)
    message(FATAL_ERROR "no SVG icons under ${ICONS}")
endif()
set(problems "")
foreach(svg IN LISTS svgs)
    get_filename_component(id ${svg} NAME_WLE)
    set(png ${ICONS}/hicolor/${size}x${size}/apps/${id}.png)
    set(drawn ${WORK}/${id}.png)
    execute_process(COMMAND ${RSVG} -w ${size} -h ${size} -o ${drawn} ${svg}
                    RESULT_VARIABLE status ERROR_VARIABLE problem)
    if(NOT status EQUAL 0)
        string(APPEND problems "${RSVG} cannot draw ${svg}: ${problem}\n")
        continue()
    endif()
    # compare writes "absolute (fraction)" on standard error and exits with 1 when the images
    # differ at all, 2 on trouble.
    execute_process(COMMAND ${COMPARE} -metric RMSE ${drawn} ${png} null:
                    RESULT_VARIABLE status ERROR_VARIABLE metric)
    if(status GREATER 1 OR NOT metric MATCHES "\\(([0-9.e+-]+)\\)")
        string(APPEND problems "${COMPARE} failed on ${id}: ${metric}\n")
        continue()
    endif()
    set(difference ${CMAKE_MATCH_1})
    message(STATUS "${id}: difference ${difference}")
    if(difference GREATER tolerance)
        string(APPEND problems "${id}: the SVG and the PNG differ by ${difference}\n")
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "${problems}")
endif()
