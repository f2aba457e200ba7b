# Makes the gzipped man page of the console program from its --help output.
# Run with cmake -P and these variables:
#   HELP2MAN  the help2man program
#   PROGRAM   the built vistaloom-cli
#   INCLUDE   the help2man include file
#   VERSION   the version the page names
#   OUTPUT    the .1.gz file to write

foreach(variable HELP2MAN PROGRAM INCLUDE VERSION OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "manpage.cmake needs -D${variable}=...")
    endif()
endforeach()

get_filename_component(page "${OUTPUT}" NAME_WLE)
get_filename_component(directory "${OUTPUT}" DIRECTORY)
set(page "${directory}/${page}")

# The program must answer --help without a display while it is built.
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(
    COMMAND "${HELP2MAN}" --no-info --no-discard-stderr
            "--version-string=vistaloom-cli ${VERSION}"
            "--source=Vistaloom ${VERSION}"
            "--include=${INCLUDE}"
            "--output=${page}"
            "${PROGRAM}"
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    file(REMOVE "${page}")
    message(FATAL_ERROR "help2man could not make the man page from '${PROGRAM} --help' "
                        "(exit ${result}):\n${errors}")
endif()

# A program that printed nothing useful would still give a page; refuse one
# that lost its options or the added sections.
file(READ "${page}" text)
foreach(expected [[\-\-filetype]] [[\-\-skipfront]] ".SH \"EXIT STATUS\"" ".SH EXAMPLES")
    string(FIND "${text}" "${expected}" at)
    if(at EQUAL -1)
        file(REMOVE "${page}")
        message(FATAL_ERROR "The man page made from '${PROGRAM} --help' lacks '${expected}'")
    endif()
endforeach()

execute_process(COMMAND gzip -9 -n -f "${page}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${page}")
endif()
