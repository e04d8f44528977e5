# Client code for Wayland protocols, generated at build time from the protocol descriptions that
# Debian ships (the wlroots ones in librust-wayland-protocols-dev).
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
file(GLOB KEYGLANCE_WLR_PROTOCOLS_DIRS
     /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable)
list(SORT KEYGLANCE_WLR_PROTOCOLS_DIRS)
list(GET KEYGLANCE_WLR_PROTOCOLS_DIRS -1 default_dir)
set(KEYGLANCE_WLR_PROTOCOLS_DIR "${default_dir}" CACHE PATH
    "Folder holding the wlr-*-unstable-v1.xml protocol descriptions")

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
