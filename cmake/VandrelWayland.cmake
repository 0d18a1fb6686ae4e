# Finds what the program needs to make its own Wayland requests: the client
# library, wayland-scanner, the protocol files of wayland-protocols and Qt's
# platform native interface (from Qt's private headers; find Qt's Gui first),
# and defines
# vandrel_wayland_protocol(<target> <path under wayland-protocols>), which
# generates a protocol's client header and code at build time.
set(VANDREL_WAYLAND_FOUND OFF)
set(VANDREL_WAYLAND_MISSING "")

find_package(PkgConfig)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(WAYLAND_CLIENT QUIET IMPORTED_TARGET wayland-client)
  pkg_get_variable(VANDREL_WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
  pkg_get_variable(VANDREL_WAYLAND_SCANNER wayland-scanner wayland_scanner)
endif()
if(NOT WAYLAND_CLIENT_FOUND)
  list(APPEND VANDREL_WAYLAND_MISSING "wayland-client (libwayland-dev)")
endif()
if(NOT VANDREL_WAYLAND_SCANNER OR NOT EXISTS "${VANDREL_WAYLAND_SCANNER}")
  find_program(VANDREL_WAYLAND_SCANNER wayland-scanner)
endif()
if(NOT VANDREL_WAYLAND_SCANNER)
  list(APPEND VANDREL_WAYLAND_MISSING "wayland-scanner (libwayland-bin)")
endif()
if(NOT VANDREL_WAYLAND_PROTOCOLS_DIR OR NOT EXISTS "${VANDREL_WAYLAND_PROTOCOLS_DIR}/staging/ext-idle-notify/ext-idle-notify-v1.xml")
  list(APPEND VANDREL_WAYLAND_MISSING "wayland-protocols")
endif()
set(_vandrel_qpa_header "")
if(TARGET Qt6::GuiPrivate)
  get_target_property(_vandrel_gui_private_dirs Qt6::GuiPrivate INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir ${_vandrel_gui_private_dirs})
    if(EXISTS "${dir}/qpa/qplatformnativeinterface.h")
      set(_vandrel_qpa_header "${dir}/qpa/qplatformnativeinterface.h")
    endif()
  endforeach()
endif()
if(NOT _vandrel_qpa_header)
  list(APPEND VANDREL_WAYLAND_MISSING "Qt's platform interface headers (qt6-base-private-dev)")
endif()
if(NOT VANDREL_WAYLAND_MISSING)
  set(VANDREL_WAYLAND_FOUND ON)
endif()
string(REPLACE ";" ", " VANDREL_WAYLAND_MISSING "${VANDREL_WAYLAND_MISSING}")

function(vandrel_wayland_protocol target xml)
  get_filename_component(name "${xml}" NAME_WE)
  # A path of our own, or one under wayland-protocols.
  if(IS_ABSOLUTE "${xml}")
    set(src "${xml}")
  else()
    set(src "${VANDREL_WAYLAND_PROTOCOLS_DIR}/${xml}")
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/wayland")
  add_custom_command(
    OUTPUT "${out}/${name}-client-protocol.h" "${out}/${name}-protocol.c"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${out}"
    COMMAND "${VANDREL_WAYLAND_SCANNER}" client-header "${src}" "${out}/${name}-client-protocol.h"
    COMMAND "${VANDREL_WAYLAND_SCANNER}" private-code "${src}" "${out}/${name}-protocol.c"
    DEPENDS "${src}"
    COMMENT "Generating the Wayland client code of ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}/${name}-client-protocol.h" "${out}/${name}-protocol.c")
  target_include_directories(${target} PRIVATE "${out}")
endfunction()

# vandrel_wayland_server_header(<target> <path under wayland-protocols>): the
# compositor's side of a protocol, for tests that play the compositor (the
# interface definitions come with the client code above).
function(vandrel_wayland_server_header target xml)
  get_filename_component(name "${xml}" NAME_WE)
  # A path of our own, or one under wayland-protocols.
  if(IS_ABSOLUTE "${xml}")
    set(src "${xml}")
  else()
    set(src "${VANDREL_WAYLAND_PROTOCOLS_DIR}/${xml}")
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/wayland")
  add_custom_command(
    OUTPUT "${out}/${name}-server-protocol.h"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${out}"
    COMMAND "${VANDREL_WAYLAND_SCANNER}" server-header "${src}" "${out}/${name}-server-protocol.h"
    DEPENDS "${src}"
    COMMENT "Generating the Wayland server header of ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}/${name}-server-protocol.h")
  target_include_directories(${target} PRIVATE "${out}")
endfunction()
