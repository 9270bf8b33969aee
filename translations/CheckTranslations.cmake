# Runs the update command on a copy of each .ts and fails when a source text
# is left without translation (a new text, or one whose source changed).
foreach(ts ${TS_FILES})
    file(MAKE_DIRECTORY "${WORK_DIR}")
    set(copy "${WORK_DIR}/${ts}")
    configure_file("${SOURCE_DIR}/translations/${ts}" "${copy}" COPYONLY)
    set(ENV{LUPDATE} "${LUPDATE}")
    execute_process(
        COMMAND "${SOURCE_DIR}/scripts/update-translations.sh" "${copy}"
        RESULT_VARIABLE result
        ERROR_VARIABLE errors
        OUTPUT_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lupdate failed on ${ts}: ${errors}${output}")
    endif()
    file(READ "${copy}" text)
    string(REGEX MATCHALL "type=\"unfinished\"" unfinished "${text}")
    # The source text of each, for the message: from <source> to the
    # unfinished mark without passing the end of the message ("</m").
    string(REGEX MATCHALL "<source>[^<]*</source>([^/]|/[^m])*type=\"unfinished\"" named "${text}")
    list(LENGTH unfinished count)
    if(count GREATER 0)
        set(names "")
        foreach(m ${named})
            string(REGEX REPLACE ".*<source>([^<]*)</source>.*" "\\1" source "${m}")
            string(APPEND names "\n    ${source}")
        endforeach()
        message(FATAL_ERROR "${ts}: ${count} text(s) without translation "
                            "(run scripts/update-translations.sh and translate them):${names}")
    endif()
    message(STATUS "${ts}: every source text is translated")
endforeach()
