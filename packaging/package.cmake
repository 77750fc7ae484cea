# The Debian package: `cmake --build --preset release --target package`
# writes <name>_<version>_<arch>.deb in the build folder. It installs the
# modules and their tools in /usr/lib/<name>/ with the reference host beside
# them (which finds them there), qz on the PATH, its manual, the copyright
# file, a desktop entry and a service for a school's class host, disabled.
# The package's name is set here and nowhere else: the installed host and
# the test of the package take it from where it is installed.
set(QZ_PACKAGE_NAME quiz-musical)
set(QZ_PACKAGE_MAINTAINER "Projet Quiz musical <quiz-musical@example.org>")
set(QZ_PACKAGE_PREFIX /usr)

set(root lib/${QZ_PACKAGE_NAME})
set(doc share/doc/${QZ_PACKAGE_NAME})
set(made ${CMAKE_BINARY_DIR}/packaging)
set(here ${CMAKE_SOURCE_DIR}/packaging)

foreach(file qz qz.1 changelog quiz-musical.desktop quiz-musical.service default
             postinst prerm postrm)
  configure_file(${here}/${file}.in ${made}/${file} @ONLY)
endforeach()
file(WRITE ${made}/conffiles "/etc/default/${QZ_PACKAGE_NAME}\n")
file(CHMOD ${made}/postinst ${made}/prerm ${made}/postrm
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)

# The manual and the changelog compressed as Debian wants them: gzip -9,
# neither name nor date inside.
add_custom_command(OUTPUT ${made}/qz.1.gz ${made}/changelog.gz
  COMMAND gzip -9nf ${made}/qz.1 -c > ${made}/qz.1.gz
  COMMAND gzip -9nf ${made}/changelog -c > ${made}/changelog.gz
  DEPENDS ${made}/qz.1 ${made}/changelog
  VERBATIM)
set(debian_files ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/debian_files.py)
add_custom_command(OUTPUT ${made}/copyright
  COMMAND ${debian_files} copyright ${here}/copyright.in ${CMAKE_SOURCE_DIR}/resources/portraits/CREDITS.md
          ${made}/copyright ${QZ_PACKAGE_NAME}
  DEPENDS ${here}/copyright.in ${CMAKE_SOURCE_DIR}/resources/portraits/CREDITS.md
          ${CMAKE_SOURCE_DIR}/tools/debian_files.py
  VERBATIM)
add_custom_command(OUTPUT ${made}/icon.png
  COMMAND ${debian_files} icon ${CMAKE_SOURCE_DIR}/resources/common/icon.ico ${made}/icon.png
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/common/icon.ico ${CMAKE_SOURCE_DIR}/tools/debian_files.py
  VERBATIM)
add_custom_target(qz_package_files ALL
  DEPENDS ${made}/qz.1.gz ${made}/changelog.gz ${made}/copyright ${made}/icon.png)

install(PROGRAMS ${QZ_MODULES} DESTINATION ${root}/bin)
install(FILES ${QZ_MODULE_TABLE} DESTINATION ${root}/bin)
install(TARGETS qzres qzsound RUNTIME DESTINATION ${root}/tools)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/qz DESTINATION ${root})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/with-sound-server DESTINATION ${root}/scripts)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/host DESTINATION ${root}
        PATTERN __pycache__ EXCLUDE PATTERN "*.pyc" EXCLUDE)
install(PROGRAMS ${made}/qz DESTINATION bin)
install(FILES ${made}/qz.1.gz DESTINATION share/man/man1)
install(FILES ${made}/copyright DESTINATION ${doc})
install(FILES ${made}/changelog.gz DESTINATION ${doc})
install(FILES ${made}/quiz-musical.desktop DESTINATION share/applications
        RENAME ${QZ_PACKAGE_NAME}.desktop)
install(FILES ${made}/icon.png DESTINATION share/icons/hicolor/256x256/apps
        RENAME ${QZ_PACKAGE_NAME}.png)
install(FILES ${made}/quiz-musical.service DESTINATION /lib/systemd/system
        RENAME ${QZ_PACKAGE_NAME}.service)
install(FILES ${made}/default DESTINATION /etc/default RENAME ${QZ_PACKAGE_NAME})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QZ_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SET_DESTDIR ON)  # the service and its settings go outside /usr
set(CPACK_INSTALL_PREFIX ${QZ_PACKAGE_PREFIX})
set(CPACK_PACKAGING_INSTALL_PREFIX ${QZ_PACKAGE_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT ${QZ_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QZ_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian's description: its summary line, then lines under 80 characters.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "music quiz for a class, in the pupils' browsers"
  "Sixteen question modules of a French music-education quiz (note reading"
  "in both clefs, composers and their works, theory, portraits of composers,"
  "instruments) and their host. `qz serve` puts whole sessions to a class in"
  "the pupils' browsers, with a page for the teacher and the answers kept for"
  "a spreadsheet; `qz play` puts one question on the terminal. A service,"
  "disabled at first, runs the class host at start-up.")
# The libraries the programs link, computed; then what is loaded or run at
# run time: FluidSynth and its soundfont for the notes, PulseAudio for the
# modules' sound servers, the host's interpreter and the one module it
# imports beyond the standard library (the teacher's page's QR code), and
# `ip` for the addresses the pupils open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3, python3-qrcode, libfluidsynth3, timgm6mb-soundfont, \
pulseaudio, pulseaudio-utils, iproute2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${made}/conffiles ${made}/postinst ${made}/prerm ${made}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
