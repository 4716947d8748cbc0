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
foreach(file changelog kelvane.1 kelvane-batch.1 kelvane-makespectra.1)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${file}.in ${doc_dir}/${file} @ONLY)
    execute_process(COMMAND gzip -9 -n -f ${doc_dir}/${file} RESULT_VARIABLE gzip_result)
    if(NOT gzip_result EQUAL 0)
        message(FATAL_ERROR "gzip could not compress ${doc_dir}/${file}")
    endif()
endforeach()
install(FILES ${doc_dir}/kelvane.1.gz ${doc_dir}/kelvane-batch.1.gz
    ${doc_dir}/kelvane-makespectra.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${doc_dir}/copyright ${doc_dir}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvane)
# The README's pictures, where its links find them (also from Help > Manual).
file(GLOB readme_pictures ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES ${readme_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvane/docs)

# The Debian package, made by scripts/package (cpack): everything the install rules install,
# under /usr. A program or file given an install rule later is packaged without a change here
# (a program also needs a manual page, or lintian warns).
#
# lintian (Debian 12) reports neither errors nor warnings. Two notes of the info level stay:
#   binary-has-unneeded-section .comment: CMake strips with plain `strip`, which keeps the
#     compiler's 39-byte version note; harmless.
#   spelling-error-in-binary TeH The: not a text of the program but the machine code that puts
#     the default telescope name "Radio Telescope" together eight bytes at a time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${KELVANE_COMPANY}")
set(CPACK_PACKAGE_CONTACT "${KELVANE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories the install creates get these whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "viewer for 21-cm hydrogen-line spectra of small radio telescopes")
set(CPACK_PACKAGE_DESCRIPTION "\
Kelvane shows the neutral-hydrogen spectra recorded by a small radio
telescope, one spectrum file at a time, against frequency, wavelength,
radial velocity or velocity corrected to the local standard of rest.
It fits a least-squares polynomial baseline outside a band dragged over
the line and subtracts it, converts the source position between
equatorial and galactic coordinates as it is typed, computes the velocity
of the local standard of rest for the observation's time and the
station's site, and saves the corrected spectrum as a text file.
kelvane-batch does the same for a whole survey of files at once and
writes a summary table.")

set(CPACK_DEBIAN_PACKAGE_NAME kelvane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KELVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://${KELVANE_WEB_ADDRESS}")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies come from the shared libraries the programs link (dpkg-shlibdeps)...
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ...except Qt's SVG icon engine: Qt loads it as a plugin at run time, so no program links it,
# and without it the about box shows no icon and the windows carry none.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
# ...and CFITSIO, which the programs load when they first write a FITS file: its package is the
# one that holds the library the build found.
file(REAL_PATH "${KELVANE_CFITSIO_LIBRARY}" cfitsio_path)
execute_process(COMMAND dpkg-query -S "${cfitsio_path}" OUTPUT_VARIABLE cfitsio_owner
    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REGEX MATCH "^[^:]+" cfitsio_package "${cfitsio_owner}")
if(cfitsio_package)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${cfitsio_package}")
else()
    message(WARNING "No Debian package holds ${cfitsio_path}: the package will not depend on "
        "CFITSIO")
endif()
include(CPack)
