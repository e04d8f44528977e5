# The Windows zip: keyglance.exe beside every DLL it loads, so it runs wherever it is unpacked,
# and the notices that redistributing Qt and the MinGW runtime requires.
set(zip_dir keyglance-${PROJECT_VERSION})

install(TARGETS keyglance RUNTIME DESTINATION ${zip_dir})
install(FILES ${PROJECT_SOURCE_DIR}/data/data.json DESTINATION ${zip_dir})
foreach(module Core Gui Network Widgets)
    install(FILES $<TARGET_FILE:Qt5::${module}> DESTINATION ${zip_dir})
endforeach()
install(FILES $<TARGET_FILE:Qt5::QWindowsIntegrationPlugin> DESTINATION ${zip_dir}/platforms)
install(FILES $<TARGET_FILE:Qt5::QWindowsVistaStylePlugin> DESTINATION ${zip_dir}/styles)

foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll_path}")
        message(FATAL_ERROR "The compiler does not know where ${dll} is")
    endif()
    # Debian ships them with their debugging information, libstdc++ at 23 MB.
    execute_process(COMMAND ${CMAKE_STRIP} --strip-debug -o ${CMAKE_CURRENT_BINARY_DIR}/${dll}
                            ${dll_path} RESULT_VARIABLE strip_result)
    if(NOT strip_result EQUAL 0)
        message(FATAL_ERROR "${CMAKE_STRIP} failed on ${dll_path}")
    endif()
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${dll} DESTINATION ${zip_dir})
endforeach()

# The cross-built Qt keeps its licence texts and build record at its prefix.
get_filename_component(qt_prefix "${Qt5Core_DIR}/../../.." ABSOLUTE)
file(READ ${qt_prefix}/qt-build.txt KEYGLANCE_QT_BUILD)
configure_file(THIRD-PARTY.txt.in THIRD-PARTY.txt @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${qt_prefix}/LICENSE.LGPL3 ${qt_prefix}/LICENSE.GPL3
              ${CMAKE_CURRENT_BINARY_DIR}/THIRD-PARTY.txt
        DESTINATION ${zip_dir})

set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME keyglance-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
