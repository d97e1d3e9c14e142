# Read by cpack just before it packages. The Debian package's files and
# members carry the time that SOURCE_DATE_EPOCH gives; when it is not set,
# that of the last commit (scripts/source-date-epoch), so that packaging the
# same commit twice gives the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND ${CPACK_SOURCE_DATE_EPOCH_COMMAND}
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${CPACK_SOURCE_DATE_EPOCH_COMMAND} failed")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
