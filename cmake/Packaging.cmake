# The Debian package of the station (cpack -G DEB, or scripts/package.sh): the program, both modem
# simulators, the menu entry with its icon, the systemd unit and the documentation. Run-time
# dependencies come from dpkg-shlibdeps, not from a hand-made list.
include(GNUInstallDirs)

set(MORA_PACKAGE_NAME brennvik-mora)
set(MORA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(MORA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${MORA_PACKAGE_NAME})
set(MORA_MAINTAINER "Brennvik MORA developers <mora-dev@brennvik.example>")

# Menu entry and icon in the freedesktop places.
install(FILES ${MORA_PACKAGING_DIR}/brennvik-mora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MORA_PACKAGING_DIR}/icons/brennvik-mora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${MORA_PACKAGING_DIR}/icons/hicolor/${size}x${size}/apps/brennvik-mora.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The service. Debian 12 keeps the units of packages in /lib/systemd/system.
install(FILES ${MORA_PACKAGING_DIR}/mora.service DESTINATION /lib/systemd/system)

# Documentation and the example udev rule.
install(FILES ${MORA_PACKAGING_DIR}/copyright DESTINATION ${MORA_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/install.md ${CMAKE_SOURCE_DIR}/docs/user-guide.md
        DESTINATION ${MORA_DOC_DIR} OPTIONAL)
install(FILES ${MORA_PACKAGING_DIR}/99-mora-serial.rules DESTINATION ${MORA_DOC_DIR}/examples)

# A native package carries changelog.gz, compressed without a time stamp (gzip -n) so that two
# builds of one version give the same file.
string(TIMESTAMP MORA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
file(WRITE ${changelog}
     "${MORA_PACKAGE_NAME} (${PROJECT_VERSION}) stable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION} of the Brennvik MORA alarm station.\n\n"
     " -- ${MORA_MAINTAINER}  ${MORA_CHANGELOG_DATE}\n")
execute_process(COMMAND gzip -9 -n -c ${changelog} OUTPUT_FILE ${changelog}.gz RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip of the package changelog failed")
endif()
install(FILES ${changelog}.gz DESTINATION ${MORA_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${MORA_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Brennvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT ${MORA_MAINTAINER})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brennvik.example/mora")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "alarm station for lift emergency telephones\n"
    "Receives alarms from lift emergency telephones through a serial telephone\n"
    "modem and a GSM modem, stores every alarm in a local database, shows it to\n"
    "the operator and forwards it by e-mail and SMS. Runs with its windows from\n"
    "the desktop menu, or without a display as the systemd service mora.\n"
    "Includes simulators of both modems for trials.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The maintainer scripts create the service user with adduser. (Qt's X11 platform plugin and
# the multimedia back ends come with libqt6gui6 and libqt6multimedia6, which dpkg-shlibdeps finds.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${MORA_PACKAGING_DIR}/debian/postinst ${MORA_PACKAGING_DIR}/debian/prerm ${MORA_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
