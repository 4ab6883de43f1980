# Install rules for every program the project builds, their desktop entries,
# icons and metadata, the user service, and the Debian package
# (scripts/package). Included last, so that every program target exists here.

set(VELLORA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
# The desk and its two companions; a program installs when its target exists.
set(VELLORA_PROGRAMS vellora vellora-faces vellora-phone)
set(VELLORA_INSTALLED_PROGRAMS)
foreach(program IN LISTS VELLORA_PROGRAMS)
  if(TARGET ${program})
    list(APPEND VELLORA_INSTALLED_PROGRAMS ${program})
    install(TARGETS ${program} RUNTIME DESTINATION bin)
    install(FILES ${VELLORA_PACKAGING_DIR}/${program}.desktop DESTINATION share/applications)
    install(FILES ${VELLORA_PACKAGING_DIR}/icons/${program}.svg DESTINATION share/icons/hicolor/scalable/apps)
  endif()
endforeach()
install(FILES ${VELLORA_PACKAGING_DIR}/org.vellora.Vellora.metainfo.xml DESTINATION share/metainfo)
install(FILES ${VELLORA_PACKAGING_DIR}/vellora.service DESTINATION lib/systemd/user)

if(VELLORA_BUILD_TESTS)
  # The launcher entries and the metadata as the desktop's own tools read them.
  add_test(NAME DesktopFiles COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-desktop-files ${VELLORA_PACKAGING_DIR})
endif()

option(VELLORA_PACKAGE "Build the Debian package's extra files (PNG icons, manual page, changelog)" OFF)
if(NOT VELLORA_PACKAGE)
  return()
endif()

# PNG icons in the usual sizes, rendered from the drawn SVG icons.
find_program(VELLORA_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(VELLORA_GZIP gzip REQUIRED)
set(package_files ${CMAKE_BINARY_DIR}/package-files)
set(generated)
foreach(program IN LISTS VELLORA_INSTALLED_PROGRAMS)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${package_files}/icons/hicolor/${size}x${size}/apps/${program}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${package_files}/icons/hicolor/${size}x${size}/apps
      COMMAND ${VELLORA_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${VELLORA_PACKAGING_DIR}/icons/${program}.svg
      DEPENDS ${VELLORA_PACKAGING_DIR}/icons/${program}.svg
      VERBATIM)
    list(APPEND generated ${png})
  endforeach()
endforeach()

# Manual pages and changelog, compressed the Debian way (no time stamp).
# The README, which the program's hints point to, goes with them.
set(documents packaging/changelog README.md)
foreach(program IN LISTS VELLORA_INSTALLED_PROGRAMS)
  list(APPEND documents packaging/${program}.1)
  install(FILES ${package_files}/${program}.1.gz DESTINATION share/man/man1)
endforeach()
foreach(document IN LISTS documents)
  get_filename_component(name ${document} NAME)
  add_custom_command(OUTPUT ${package_files}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_files}
    COMMAND sh -c "${VELLORA_GZIP} -9n < '${PROJECT_SOURCE_DIR}/${document}' > '${package_files}/${name}.gz'"
    DEPENDS ${PROJECT_SOURCE_DIR}/${document}
    VERBATIM)
  list(APPEND generated ${package_files}/${name}.gz)
endforeach()
add_custom_target(vellora_package_files ALL DEPENDS ${generated})

install(DIRECTORY ${package_files}/icons/ DESTINATION share/icons)
install(FILES ${package_files}/changelog.gz ${package_files}/README.md.gz ${VELLORA_PACKAGING_DIR}/copyright
  DESTINATION share/doc/vellora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_CONTACT "Vellora developers <desk@vellora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "event photo printing desk")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vellora prints event photos by itself: every new photo that arrives in a
folder is numbered, laid into a frame template with its label and printed
on one of several CUPS photo printers. Guests order reprints at the desk,
from a face counter and from their phones; a tethered camera can be driven
directly. A user service brings the desk back after a crash.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries from the binaries (dpkg-shlibdeps), plus what they load or call
# by name: the spooler and its tools, Qt's display plugins, a Chinese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cups, cups-client, qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "printer-driver-gutenprint, qt6-translations-l10n")
include(CPack)
