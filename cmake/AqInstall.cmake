# Installs the programs and what a Linux desktop expects beside them, into the
# GNU install directories, and lets CPack build a Debian package from that.
include(GNUInstallDirs)

set(AQ_APP_ID org.aqlamp.Aqlamp)
set(_dist ${PROJECT_SOURCE_DIR}/dist)

# The programs built in this tree (the command-line tool and the bridge join
# the list where they are built).
set(_programs aqlamp)
foreach(_p aqlampctl aqlamp-mqtt)
  if(TARGET ${_p})
    list(APPEND _programs ${_p})
  endif()
endforeach()
install(TARGETS ${_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${_dist}/${AQ_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_dist}/${AQ_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_dist}/icons/${AQ_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 32 48 64 128 256)
  install(FILES ${_dist}/icons/${_size}x${_size}/${AQ_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()
install(FILES ${_dist}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian wants the changelog compressed, reproducibly (no name, no time).
find_program(AQ_GZIP gzip)
if(AQ_GZIP)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    COMMAND ${AQ_GZIP} -9nc ${_dist}/changelog > ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DEPENDS ${_dist}/changelog)
  add_custom_target(aq_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

if(TARGET aqlamp-mqtt AND EXISTS ${_dist}/aqlamp-mqtt.service)
  install(FILES ${_dist}/aqlamp-mqtt.service DESTINATION lib/systemd/user)
endif()
if(TARGET aqlampctl AND EXISTS ${_dist}/aqlampctl.bash-completion)
  install(FILES ${_dist}/aqlampctl.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME aqlampctl)
endif()

# Man pages are written in the build from each program's own --help and
# --version, so they never drift from the options the program takes.
find_program(AQ_HELP2MAN help2man)
if(AQ_HELP2MAN AND AQ_GZIP)
  set(_pages)
  set(_name_aqlamp "configure and drive aquarium LED lamps over Bluetooth LE")
  set(_name_aqlampctl "run aquarium lamp operations from the command line")
  set(_name_aqlamp-mqtt "publish aquarium lamps to an MQTT broker")
  foreach(_p IN LISTS _programs)
    set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${_p}.1.gz)
    add_custom_command(
      OUTPUT ${_page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
              ${AQ_HELP2MAN} --no-info --no-discard-stderr --section=1
              --name=${_name_${_p}} --include=${_dist}/man-common.h2m
              --version-string=${PROJECT_VERSION}
              --output=${CMAKE_CURRENT_BINARY_DIR}/man/${_p}.1 $<TARGET_FILE:${_p}>
      COMMAND ${AQ_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/man/${_p}.1
      DEPENDS ${_p} ${_dist}/man-common.h2m
      COMMENT "Writing the man page of ${_p}"
      VERBATIM)
    list(APPEND _pages ${_page})
  endforeach()
  add_custom_target(aq_man_pages ALL DEPENDS ${_pages})
  install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man or gzip not found: man pages are not written")
endif()

# --- Debian package (cpack -G DEB, see tools/package.sh) ------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME aqlamp)
set(CPACK_PACKAGE_VENDOR "The aqlamp developers")
set(CPACK_PACKAGE_CONTACT "The aqlamp developers <maintainers@aqlamp.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and drive aquarium LED lamps over Bluetooth LE")
set(CPACK_PACKAGE_DESCRIPTION
    "aqlamp finds aquarium LED lamps over Bluetooth LE and connects to one.\n\
It reads the lamp's clock, firmware, serial number and energy counter,\n\
edits the day programme of every colour channel as curves, loads\n\
presettings, sets the moon and weather simulations, drives the channels\n\
live and updates the firmware. Simulated lamps let everything be tried\n\
without hardware.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bluez)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS mosquitto)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://aqlamp.org/)
include(CPack)
