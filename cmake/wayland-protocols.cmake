# Client code for Wayland protocols, generated at build time from the protocol descriptions that
# Debian ships: the wlroots ones in librust-wayland-protocols-dev on Debian 12 and in
# librust-wayland-protocols-wlr-dev on Debian 13.
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
file(GLOB KEYGLANCE_WLR_PROTOCOLS_DIRS
     /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable)
list(SORT KEYGLANCE_WLR_PROTOCOLS_DIRS)
list(POP_BACK KEYGLANCE_WLR_PROTOCOLS_DIRS default_dir)
set(KEYGLANCE_WLR_PROTOCOLS_DIR "${default_dir}" CACHE PATH
    "Folder holding the wlr-*-unstable-v1.xml protocol descriptions")
if(NOT EXISTS "${KEYGLANCE_WLR_PROTOCOLS_DIR}/wlr-foreign-toplevel-management-unstable-v1.xml")
    message(FATAL_ERROR "The wlroots protocol descriptions are missing: install "
                        "librust-wayland-protocols-wlr-dev (Debian 13) or "
                        "librust-wayland-protocols-dev (Debian 12), or set "
                        "KEYGLANCE_WLR_PROTOCOLS_DIR to the folder holding them")
endif()

# Generates <name>-client-protocol.h and its code from the description <name>.xml, and adds both
# to target; call it where target is defined, since a custom command's output belongs there.
function(keyglance_wayland_protocol target xml)
    get_filename_component(name ${xml} NAME_WE)
    set(header ${CMAKE_BINARY_DIR}/protocols/${name}-client-protocol.h)
    set(code ${CMAKE_BINARY_DIR}/protocols/${name}-protocol.c)
    add_custom_command(OUTPUT ${header} ${code}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/protocols
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
        DEPENDS ${xml} VERBATIM)
    target_sources(${target} PRIVATE ${header} ${code})
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/protocols)
endfunction()

# wlr-click: a left click at a point of the screen in a wlroots session, for the sway tests.
function(keyglance_wlr_click)
    add_executable(wlr-click ${PROJECT_SOURCE_DIR}/tests/wayland/wlr_click.cpp)
    keyglance_wayland_protocol(wlr-click
        ${KEYGLANCE_WLR_PROTOCOLS_DIR}/wlr-virtual-pointer-unstable-v1.xml)
    target_link_libraries(wlr-click PRIVATE PkgConfig::WAYLAND)
    set_target_properties(wlr-click PROPERTIES AUTOMOC OFF)
endfunction()

# kwin-ctrl-space: Ctrl+Space typed into KWin as a keyboard would, through KWin's fake input, so
# that it takes Plasma's own way to Keyglance; for the KWin tests and the bench.
function(keyglance_kwin_ctrl_space)
    add_executable(kwin-ctrl-space ${PROJECT_SOURCE_DIR}/tests/wayland/kwin_ctrl_space.cpp)
    keyglance_wayland_protocol(kwin-ctrl-space /usr/share/plasma-wayland-protocols/fake-input.xml)
    target_link_libraries(kwin-ctrl-space PRIVATE PkgConfig::WAYLAND)
    set_target_properties(kwin-ctrl-space PROPERTIES AUTOMOC OFF)
endfunction()
