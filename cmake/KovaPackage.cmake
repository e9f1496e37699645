# The Debian package: `cpack -G DEB` in the build folder makes velmora-kova_<version>_<arch>.deb
# from what `cmake --install` puts under /usr. The shared libraries the programs link come from
# dpkg-shlibdeps; what the programs load or run without linking it is named here.
set(CPACK_PACKAGE_NAME "velmora-kova")
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Velmora <support@velmora.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "recover photos, camera RAW files and videos from memory cards")
# Debian shows the description as it stands: lines under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora Kova brings back photos, camera RAW files and videos from memory
cards: files that were deleted, lost to a quick format, or left on a damaged
card. It reads a card or a card image file, strictly read-only, recovers what
the card's FAT or exFAT file system still knows, searches the rest of the card
for pictures and videos, and saves the chosen files into a folder. It comes as
a desktop wizard (kova) and a command-line program (kova-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velmora.com/kova")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# HEIC thumbnails need libheif's HEVC decoder: linked into libheif up to 1.15 (Debian 12), a
# plugin of its own from 1.17 on.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libheif-plugin-libde265 | libheif1 (<< 1.16)")
if(KOVA_BUILD_GUI)
  # The window system plugins of Qt and the skin's fonts; opening web pages and folders goes
  # through xdg-open, Wayland desktops want Qt's Wayland plugin, and a user reads cards through
  # udisks2.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", qt6-qpa-plugins, fonts-dejavu-core, fonts-dejavu-extra")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland, udisks2")
endif()
include(CPack)
