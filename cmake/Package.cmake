# The Debian package: `make package` (the `package` target) writes
# <build>/velora-image-resizer_<version>_<arch>.deb with everything the install rules
# install under /usr, its library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VELORA_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Velora Image Resizer developers")
set(CPACK_PACKAGE_CONTACT "${VELORA_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELORA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(VELORA_PRODUCT_PAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELORA_PRODUCT_PAGE_URL})
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The window needs a Qt platform plugin (xcb or wayland), which no library links.
if(TARGET velora-resizer)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()
# The first line is the synopsis; the rest is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "resize many pictures at once
Velora Image Resizer makes a whole folder of pictures smaller or larger in
one go. Select pictures (JPEG, BMP, PNG or GIF), choose one of five ways to
change the size, one of seven resampling filters and a JPEG quality, and
every picture is written as a JPEG file into the subfolder Output, with a
log of what happened to each one.

The package holds the desktop program, velora-resizer, and velora-resize,
which does the same work from a terminal or a script.")

include(CPack)
