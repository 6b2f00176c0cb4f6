# What an install puts where, and the Debian package CPack makes of it (scripts/package).
# The programs find their data beside their own binary, so the programs and the data tree go
# together into one folder; /usr/bin holds only links into it.

set(KX58_PROGRAM_FOLDER lib/kx58)
set(KX58_INSTALLED_PROGRAMS kx58 kx58ctl AudioRecord)
set(KX58_LINKED_PROGRAMS kx58 kx58ctl)

foreach(program ${KX58_INSTALLED_PROGRAMS})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${KX58_PROGRAM_FOLDER})
  endif()
endforeach()

# The same tree the build copies beside the programs.
# The scripts that drew the skin's images stay with the sources.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${KX58_PROGRAM_FOLDER}
        PATTERN "*.sh" EXCLUDE PATTERN "*.py" EXCLUDE)

# Relative links, so the package can be unpacked under any root and still resolve.
set(links_folder ${CMAKE_BINARY_DIR}/package-links)
file(MAKE_DIRECTORY ${links_folder})
foreach(program ${KX58_LINKED_PROGRAMS})
  if(TARGET ${program})
    file(CREATE_LINK ../${KX58_PROGRAM_FOLDER}/${program} ${links_folder}/${program} SYMBOLIC)
    install(FILES ${links_folder}/${program} DESTINATION bin)
  endif()
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/70-kx58.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kx58.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kx58.svg DESTINATION share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kx58)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvik")
set(CPACK_PACKAGE_CONTACT "Orvik <support@orvik.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configurator for the KX58 keyboards, mice, mouse pads and headsets")
set(CPACK_PACKAGE_DESCRIPTION
  "KX58 Device Center sets the lighting, key assignments, macros, DPI stages and sound of the\nKX58 USB gaming peripherals, keeps their profiles and updates their firmware.\nIts udev rule lets the logged-in user open the devices without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl is opened when a request is made, so dpkg-shlibdeps cannot see it; either Debian build
# serves.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 | libcurl3-gnutls")
# xdg-open opens links and files; the headset's equaliser is the sound server's LADSPA sink
# running a plugin from swh-plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, swh-plugins")
include(CPack)
