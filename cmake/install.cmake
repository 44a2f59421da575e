# Installation (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)
install(TARGETS zelvantor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES docs/zelvantor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md examples/peak.dat DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(ZEL_MAINTAINER "Zelvantor developers <zelvantor@example.org>"
    CACHE STRING "Maintainer named in the package")
set(CPACK_PACKAGE_NAME zelvantor)
set(CPACK_PACKAGE_VENDOR "Zelvantor developers")
set(CPACK_PACKAGE_CONTACT "${ZEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "integrate a measured concentration profile")
set(CPACK_PACKAGE_DESCRIPTION "\
Zelvantor reads (time, concentration) pairs from a text file, such as a
chromatography peak, a tracer curve or a drug level over time, integrates the
piecewise-linear profile with an adaptive 21-point Gauss-Kronrod quadrature
with extrapolation in single precision, and reports the area under the
curve, the last time and the area above the curve. It is a small console
dialogue; see zelvantor(1).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies come from the libraries the program is linked with (none for
# the static release build).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
