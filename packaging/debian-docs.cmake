# The files Debian's policy wants in every package: copyright, changelog and manual page.

# The dates honour SOURCE_DATE_EPOCH, for reproducible packages.
string(TIMESTAMP KEYGLANCE_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP KEYGLANCE_MANUAL_DATE "%Y-%m-%d" UTC)

# LICENSE holds the one copy of the notice and the terms.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.*[^\n])")
    message(FATAL_ERROR "LICENSE has no copyright line followed by the licence terms")
endif()
set(KEYGLANCE_COPYRIGHT "${CMAKE_MATCH_1}")
# In a copyright file the terms are indented, with a dot for each blank line.
string(REPLACE "\n\n" "\n.\n" terms "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " KEYGLANCE_LICENSE_TEXT " ${terms}")

configure_file(copyright.in copyright @ONLY)
configure_file(changelog.in changelog @ONLY)
configure_file(keyglance.1.in keyglance.1 @ONLY)
configure_file(keyglance-toggle.1.in keyglance-toggle.1 @ONLY)
execute_process(COMMAND gzip -9nkf changelog keyglance.1 keyglance-toggle.1
                WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip failed on the changelog and the manual page")
endif()

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/keyglance.1.gz ${CMAKE_CURRENT_BINARY_DIR}/keyglance-toggle.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
