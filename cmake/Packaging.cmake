# CPack settings for the Debian package: `cpack -G DEB` in a build folder packs what
# `cmake --install` puts under the prefix /usr. It does not build; the program must be built
# already (tools/make-deb.sh builds Release first).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tilora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tilora developers")
set(CPACK_PACKAGE_CONTACT "Tilora developers <tilora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture sliding puzzle")
# The long description, below the summary.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tilora cuts a picture of your choice, or one of its two built-in motifs, into
a board of 4 x 4 up to 12 x 12 tiles with one free slot, shuffles it and lets
you solve it against the clock. Fast honest games enter a top ten for each
picture, board size and shuffle length. The interface is German.")

# The install rules write the prefix into the menu entry and the link in bin: they must see
# /usr, not CPack's staging folder, so the staging folder goes into DESTDIR.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tilora_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the built program (dpkg-shlibdeps); what it loads at run time
# without linking it is named here: the platform plugin, the fonts of its windows and Qt's
# own translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-translations-l10n, qt6-qpa-plugins")
# On a Wayland desktop without XWayland the game runs on Qt's own Wayland platform; WebP and
# TIFF pictures are offered where their readers are installed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
