# cmake -DSCDOC=scdoc -DSOURCE=page.1.scd -DPAGE=page.1.gz -P make_man_page.cmake
# scdoc reads standard input and writes standard output; the page is compressed without a
# name or time stamp, so that the same source always makes the same file.
get_filename_component(folder ${PAGE} DIRECTORY)
get_filename_component(name ${PAGE} NAME_WLE)
set(roff ${folder}/${name})
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${roff}
                RESULT_VARIABLE status ERROR_VARIABLE problem)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "scdoc failed on ${SOURCE}: ${problem}")
endif()
execute_process(COMMAND gzip -9 -n -f ${roff} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${roff}")
endif()
