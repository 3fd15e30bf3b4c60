# Makes one man page from the program's --help: cmake -DHELP2MAN=... -DPROGRAM=... -DNAME=...
# -DDESCRIPTION=... -DVERSION=... -DINCLUDE=... -DOUTPUT=... -P ManPage.cmake
# The page is written plain (for man -l in the build tree) and gzipped without a time stamp
# (for installing, so that two builds of one source give the same package).

# --help names the user's preferences file; the page names it for every user.
set(config_marker /SPECTRELCONFIGHOME)
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${config_marker}
            ${HELP2MAN} --no-info --no-discard-stderr --version-string=${VERSION}
            --name=${DESCRIPTION} --include=${INCLUDE} ${PROGRAM}
    OUTPUT_VARIABLE page
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR page STREQUAL "")
    message(FATAL_ERROR "help2man failed on ${PROGRAM}: ${errors}")
endif()
string(REPLACE "${config_marker}" "$XDG_CONFIG_HOME" page "${page}")
# help2man takes the program's path for its name; the page is about the installed command.
get_filename_component(program_dir ${PROGRAM} DIRECTORY)
string(REPLACE "${program_dir}/" "" page "${page}")
file(WRITE ${OUTPUT} "${page}")
execute_process(COMMAND gzip -n -9 -c ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${OUTPUT}")
endif()
