# Desktop integration and packages.
#
# `cmake --install` lays out, under any prefix (the build tree holds the same
# bin/, demo and icons, so the program runs there as it does installed):
#   bin/velmorin-hd
#   share/velmorin-hd/demo/...                          (src/CMakeLists.txt)
#   share/applications/<app id>.desktop
#   share/metainfo/<app id>.metainfo.xml
#   share/icons/hicolor/scalable/apps/<app id>.svg
#   share/icons/hicolor/{48x48,128x128,256x256}/apps/<app id>.png
#
# CPack makes from the same install a .deb for /usr, whose Depends come from
# dpkg-shlibdeps on the built program, and a .tar.gz of the relocatable bundle:
#   cpack --config <build>/CPackConfig.cmake -B <build>/packages

set(VELMORIN_RELEASE_DATE "2026-12-07")
set(VELMORIN_PACKAGE_MAINTAINER "vok <vok@velmorin.invalid>" CACHE STRING
    "Maintainer field of the .deb: a name and an address")

# The developer's id is the reverse domain name the application id starts
# with (io.github.velmorin for io.github.velmorin.VelmorinHD).
string(REGEX REPLACE "\\.[^.]+$" "" VELMORIN_DEVELOPER_ID "${VELMORIN_APP_ID}")

set(velmorin_packaging_dir "${CMAKE_CURRENT_LIST_DIR}")
set(velmorin_generated_dir "${CMAKE_BINARY_DIR}/packaging")

configure_file("${velmorin_packaging_dir}/velmorin-hd.desktop.in"
               "${velmorin_generated_dir}/${VELMORIN_APP_ID}.desktop" @ONLY)
configure_file("${velmorin_packaging_dir}/velmorin-hd.metainfo.xml.in"
               "${velmorin_generated_dir}/${VELMORIN_APP_ID}.metainfo.xml" @ONLY)

install(FILES "${velmorin_generated_dir}/${VELMORIN_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${velmorin_generated_dir}/${VELMORIN_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The PNGs are rendered from the SVG by packaging/icons/render.sh and committed,
# so building needs no SVG renderer.
set(velmorin_icons_dir "${velmorin_packaging_dir}/icons")
set(velmorin_icon_theme_dir "${VELMORIN_ICON_SUBDIR}/hicolor")

# velmorin_icon(SOURCE FOLDER): installs one icon into FOLDER of the icon
# theme, and copies it to the same place in the build tree, so the program run
# from the build tree finds its icon beside it just as an installed one does.
function(velmorin_icon source folder)
    set(destination "${velmorin_icon_theme_dir}/${folder}")
    install(FILES "${source}" DESTINATION "${destination}")
    get_filename_component(name "${source}" NAME)
    configure_file("${source}" "${CMAKE_BINARY_DIR}/${destination}/${name}" COPYONLY)
endfunction()

velmorin_icon("${velmorin_icons_dir}/${VELMORIN_APP_ID}.svg" scalable/apps)
foreach(size 48x48 128x128 256x256)
    velmorin_icon("${velmorin_icons_dir}/${size}/${VELMORIN_APP_ID}.png" ${size}/apps)
endforeach()

# Packages.
set(CPACK_PACKAGE_NAME "velmorin-hd")
set(CPACK_PACKAGE_VENDOR "vok")
set(CPACK_PACKAGE_CONTACT "${VELMORIN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for the 1992 real-time demo Quorvane")
# Lines are kept under 80 columns, as the Description field of a .deb wants.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Velmorin HD plays one bundled real-time demo, Quorvane, in a GTK 4 window"
    "through WebKitGTK: its effects, texts and music are computed live, with"
    "nothing fetched from the network."
    "."
    "${VELMORIN_CREDITS_LINE}")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_PACKAGE_CHECKSUM "SHA256")

string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" velmorin_system)
# The .tar.gz holds one folder, the bundle, which runs from wherever it is
# unpacked.
set(CPACK_PACKAGE_FILE_NAME "velmorin-hd-${PROJECT_VERSION}-${velmorin_system}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMORIN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "video")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELMORIN_HOMEPAGE}")
# The engine's own recommended media plugins: without them MP4, M4A and MOV
# (H.264, AAC) do not play, and Media Source Extensions take no WebM with
# Opus. A desktop that installs WebKitGTK the usual way has both.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-libav, gstreamer1.0-plugins-bad")
set(CPACK_DEBIAN_PACKAGE_RELEASE "1")
set(CPACK_DEBIAN_COMPRESSION_TYPE "xz")

include(CPack)
