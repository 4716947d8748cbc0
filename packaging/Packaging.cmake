# Included by CMakeLists.txt after the version information and the install rules.

# Documentation: the manual page, and under share/doc/kelvane the README, the copyright
# statement (Debian's machine-readable format) and the release's changelog (Debian's format).
# Manual page and changelog are compressed with gzip -9n: no name or time in the header, so one
# release always gives the same files. All three are generated from the version information, so
# a new version or release date needs no edit here. Every program in bin needs a manual page
# (lintian warns of one without).
set(KELVANE_MAINTAINER "${KELVANE_COMPANY} <${KELVANE_MAIL_ADDRESS}>")
set(KELVANE_FIRST_YEAR 2026)
if(NOT KELVANE_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "KELVANE_RELEASE_DATE must be YYYY-MM-DD, not ${KELVANE_RELEASE_DATE}")
endif()
set(KELVANE_RELEASE_YEAR ${CMAKE_MATCH_1})
math(EXPR KELVANE_RELEASE_MONTH "${CMAKE_MATCH_2}")
set(KELVANE_RELEASE_DAY ${CMAKE_MATCH_3})
if(KELVANE_RELEASE_YEAR GREATER KELVANE_FIRST_YEAR)
    set(KELVANE_COPYRIGHT_YEARS "${KELVANE_FIRST_YEAR}-${KELVANE_RELEASE_YEAR}")
else()
    set(KELVANE_COPYRIGHT_YEARS "${KELVANE_RELEASE_YEAR}")
endif()

# The changelog dates its entry as "Mon, 07 Dec 2026 00:00:00 +0000", and lintian checks the
# day of the week. Weekday by Sakamoto's rule for the Gregorian calendar (0 is Sunday).
set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(day_names Sun Mon Tue Wed Thu Fri Sat)
math(EXPR month_index "${KELVANE_RELEASE_MONTH} - 1")
list(GET month_offsets ${month_index} month_offset)
list(GET month_names ${month_index} month_name)
set(y ${KELVANE_RELEASE_YEAR})
if(KELVANE_RELEASE_MONTH LESS 3)
    math(EXPR y "${y} - 1")
endif()
math(EXPR weekday
    "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${month_offset} + ${KELVANE_RELEASE_DAY}) % 7")
list(GET day_names ${weekday} day_name)
set(KELVANE_RELEASE_DATE_RFC2822
    "${day_name}, ${KELVANE_RELEASE_DAY} ${month_name} ${KELVANE_RELEASE_YEAR} 00:00:00 +0000")

set(doc_dir ${KELVANE_GENERATED_DIR}/doc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${doc_dir}/copyright @ONLY)
foreach(file changelog kelvane.1)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${file}.in ${doc_dir}/${file} @ONLY)
    execute_process(COMMAND gzip -9 -n -f ${doc_dir}/${file} RESULT_VARIABLE gzip_result)
    if(NOT gzip_result EQUAL 0)
        message(FATAL_ERROR "gzip could not compress ${doc_dir}/${file}")
    endif()
endforeach()
install(FILES ${doc_dir}/kelvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${doc_dir}/copyright ${doc_dir}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvane)
