# The Debian package: its documents, installed with the program, and the CPack settings.
# `cpack -G DEB` in a build folder packs what `cmake --install` puts under the prefix /usr. It
# does not build; the program must be built already (tools/make-deb.sh builds Release first).

# The package, its changelog and the AppStream description name one version, the project's.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
file(READ ${PROJECT_SOURCE_DIR}/resources/org.tilora.tilora.metainfo.xml metainfo)
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${metainfo}")
set(metainfo_version "${CMAKE_MATCH_1}")
if(NOT changelog_head MATCHES "^tilora \\(${PROJECT_VERSION}\\) "
   OR NOT metainfo_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog and the metainfo's latest release must name "
        "version ${PROJECT_VERSION}")
endif()

# Documents, as Debian keeps them: the copyright file as it is, the changelog and the manual
# page compressed without a time stamp, so that a package built again comes out the same.
configure_file(${PROJECT_SOURCE_DIR}/docs/tilora.6.in ${PROJECT_BINARY_DIR}/tilora.6 @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/tilora)
function(tilora_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    install(CODE "set(tilora_gzip_source \"${source}\")
        set(tilora_gzip_target \"${destination}/${name}.gz\")")
    install(CODE [=[
        set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${tilora_gzip_target}")
        message(STATUS "Installing: ${target}")
        get_filename_component(folder "${target}" DIRECTORY)
        file(MAKE_DIRECTORY "${folder}")
        execute_process(COMMAND gzip -9 --no-name --stdout "${tilora_gzip_source}"
            OUTPUT_FILE "${target}" COMMAND_ERROR_IS_FATAL ANY)
        file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    ]=])
endfunction()
tilora_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/changelog share/doc/tilora)
tilora_install_gzipped(${PROJECT_BINARY_DIR}/tilora.6 share/man/man6)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tilora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tilora developers")
set(CPACK_PACKAGE_CONTACT "Tilora developers <tilora-dev@users.noreply.tilora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture sliding puzzle")
# The long description, below the summary.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tilora cuts a picture of your choice, or one of its two built-in motifs, into
a board of 4 x 4 up to 12 x 12 tiles with one free slot, shuffles it and lets
you solve it against the clock. Fast honest games enter a top ten for each
picture, board size and shuffle length. The interface is German.")

# The install rules write the prefix into the menu entry and choose the link's folder by it:
# they must see /usr, not CPack's staging folder, so the staging folder goes into DESTDIR.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tilora_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the built program and its module (dpkg-shlibdeps); what it loads or
# starts at run time without linking it is named here, so that an install without recommended
# packages reads every picture kind and opens the help: the platform plugin, the fonts of its
# windows, Qt's own translations, the readers of WebP and TIFF, and xdg-open for the help.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation2, qt6-translations-l10n, qt6-qpa-plugins, qt6-image-formats-plugins, xdg-utils")
# On a Wayland desktop without XWayland the game runs on Qt's own Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
