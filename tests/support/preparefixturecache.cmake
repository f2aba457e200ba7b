# Empties the shared fixture-video folder at the start of a test run, so
# every run makes its videos afresh, once.
#   cmake -DFOLDER=<folder> -P preparefixturecache.cmake
if(NOT FOLDER)
    message(FATAL_ERROR "FOLDER is not set")
endif()
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
