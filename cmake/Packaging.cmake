# Debian package of zandrel2 and zandrel2-dims, built with cpack.
include(GNUInstallDirs)

add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zandrel2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the zandrel2 developers")
set(CPACK_PACKAGE_CONTACT "zandrel2 developers <zandrel2@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for quadrifilar helix antennas")
set(CPACK_PACKAGE_DESCRIPTION
    "zandrel2 computes the construction dimensions of quadrifilar helix (QFH)
antennas from a design frequency, for example for receiving the weather
satellites that transmit near 137 MHz. For each of six antenna styles it gives
the diameter of the tube, the perimeter, arms and height of the small and of
the large loop, and the length of one helical element of each loop, in
millimetres. An information window shows design notes and modelling results,
and the main window can be printed.

The package also contains zandrel2-dims, which prints the dimensions of all
six styles for one frequency as a table or as JSON.")
if(DEFINED ZANDREL2_WEB_ADDRESS)
    set(CPACK_PACKAGE_HOMEPAGE_URL "${ZANDREL2_WEB_ADDRESS}")
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZANDREL2_WEB_ADDRESS}")
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library dependencies come from dpkg-shlibdeps; only what it cannot see is listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ZANDREL2_GUI)
    # The windows need the X11 platform plugin and stand Liberation Sans in for the layout's face;
    # PRINT loads the print server's library when it is first used; the NEC-2 model runs in
    # nec2c, and xnec2c shows it in 3-D where it is installed.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "qt6-qpa-plugins, fonts-liberation | fonts-liberation2, libcups2, nec2c")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xnec2c")
endif()

include(CPack)
