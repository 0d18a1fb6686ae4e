# Installs the build into a scratch prefix and checks the layout:
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch> [-DAPP_EXPECTED=ON] -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed (${rc}):\n${out}\n${err}")
endif()

foreach(f share/applications/vandrel.desktop
          share/icons/hicolor/scalable/apps/vandrel.svg
          share/metainfo/example.vandrel.vandrel.metainfo.xml
          share/doc/vandrel/copyright
          share/doc/vandrel/changelog.Debian.gz
          share/man/man1/vandrel.1.gz
          share/dbus-1/interfaces/org.vandrel.Configurator1.xml
          lib/udev/rules.d/70-vandrel.rules
          lib/udev/rules.d/70-vandrel-plugdev.rules)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "missing ${f}")
  endif()
endforeach()

file(STRINGS "${PREFIX}/lib/udev/rules.d/70-vandrel.rules" rule REGEX "^SUBSYSTEM")
if(NOT rule STREQUAL [[SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9", ATTRS{idProduct}=="a124", TAG+="uaccess"]])
  message(FATAL_ERROR "unexpected udev rule: ${rule}")
endif()

# Beside the seat's rule, the group's: SSH, cron and other users in plugdev.
file(STRINGS "${PREFIX}/lib/udev/rules.d/70-vandrel-plugdev.rules" rule REGEX "^SUBSYSTEM")
if(NOT rule STREQUAL [[SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9", ATTRS{idProduct}=="a124", GROUP="plugdev", MODE="0660"]])
  message(FATAL_ERROR "unexpected group rule: ${rule}")
endif()

# The desktop entry starts the program through the link in bin.
file(STRINGS "${PREFIX}/share/applications/vandrel.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=vandrel")
  message(FATAL_ERROR "unexpected ${exec}")
endif()

# The desktop entry and the metadata pass their validators where these are
# installed (the package's checks).
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} "${PREFIX}/share/applications/vandrel.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net "${PREFIX}/share/metainfo/example.vandrel.vandrel.metainfo.xml"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate: ${out}")
  endif()
endif()

if(APP_EXPECTED)
  set(link "${PREFIX}/bin/vandrel")
  if(NOT IS_SYMLINK "${link}")
    message(FATAL_ERROR "bin/vandrel is not a link")
  endif()
  file(REAL_PATH "${link}" target)
  file(REAL_PATH "${PREFIX}/lib/vandrel" folder)
  get_filename_component(target_dir "${target}" DIRECTORY)
  if(NOT EXISTS "${target}" OR NOT target_dir STREQUAL folder)
    message(FATAL_ERROR "bin/vandrel does not reach the program in lib/vandrel: ${target}")
  endif()
  # png/en/ holds the English versions of the images that carry text; every
  # image comes also drawn for twice the resolution.
  foreach(f VER.bin png/main.png png/main@2x.png png/en/main.png png/en/main@2x.png png/en/SplashScreen.png)
    if(NOT EXISTS "${PREFIX}/lib/vandrel/${f}")
      message(FATAL_ERROR "missing lib/vandrel/${f}")
    endif()
  endforeach()
  # The command-line tool sits beside the program and is linked from bin.
  file(REAL_PATH "${PREFIX}/bin/vandrelctl" ctl)
  if(NOT ctl STREQUAL "${folder}/vandrelctl" OR NOT EXISTS "${ctl}")
    message(FATAL_ERROR "bin/vandrelctl does not reach lib/vandrel/vandrelctl: ${ctl}")
  endif()
endif()
if(CTL_EXPECTED)
  file(REAL_PATH "${PREFIX}/bin/vandrelctl" ctl)
  if(NOT EXISTS "${ctl}" OR NOT ctl MATCHES "/lib/vandrel/vandrelctl$")
    message(FATAL_ERROR "bin/vandrelctl does not reach lib/vandrel/vandrelctl: ${ctl}")
  endif()
  if(NOT EXISTS "${PREFIX}/share/man/man1/vandrelctl.1.gz")
    message(FATAL_ERROR "missing share/man/man1/vandrelctl.1.gz")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
