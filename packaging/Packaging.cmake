# Installing Tallyra like a desktop program (cmake --install, GNUInstallDirs) and its Debian
# package (cpack -G DEB). Installed, the programs find their delivered files in share/tallyra
# beside bin/, and keep each user's working database in the user's data folder.
include(GNUInstallDirs)

set(TALLYRA_APP_ID org.morvane.tallyra) # the desktop entry's, the icon's and the metadata's name
set(TALLYRA_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.${TALLYRA_BUILD_NUMBER})
set(TALLYRA_RELEASE_DATE 2026-12-10)
set(TALLYRA_RELEASE_DATE_RFC2822 "Thu, 10 Dec 2026 00:00:00 +0000")
set(TALLYRA_HOMEPAGE https://morvane.org/tallyra/)
set(TALLYRA_MAINTAINER "Morvane <tallyra@morvane.org>")
set(TALLYRA_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
set(TALLYRA_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

# The icon in the sizes of the desktop's icon theme, drawn from its SVG.
set(TALLYRA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TALLYRA_ICONS ${TALLYRA_PACKAGING_OUT}/icons/hicolor/scalable/apps/${TALLYRA_APP_ID}.svg)
foreach(size ${TALLYRA_ICON_SIZES})
  list(APPEND TALLYRA_ICONS ${TALLYRA_PACKAGING_OUT}/icons/hicolor/${size}x${size}/apps/${TALLYRA_APP_ID}.png)
endforeach()
add_custom_command(
  OUTPUT ${TALLYRA_ICONS}
  COMMAND make_icons ${TALLYRA_PACKAGING_SOURCE}/${TALLYRA_APP_ID}.svg ${TALLYRA_PACKAGING_OUT}/icons/hicolor
    ${TALLYRA_APP_ID}
  DEPENDS make_icons ${TALLYRA_PACKAGING_SOURCE}/${TALLYRA_APP_ID}.svg
  COMMENT "Drawing the icon"
  VERBATIM)

# The manual pages, compressed as Debian keeps them; tallyra-batch's from its help texts.
set(TALLYRA_MAN_OUT ${TALLYRA_PACKAGING_OUT}/man)
set(TALLYRA_MAN_PAGES ${TALLYRA_MAN_OUT}/tallyra.1.gz ${TALLYRA_MAN_OUT}/tallyra-batch.1.gz)
add_custom_command(
  OUTPUT ${TALLYRA_MAN_PAGES}
  COMMAND make_manual_pages ${TALLYRA_MAN_OUT} ${TALLYRA_PACKAGE_VERSION} ${TALLYRA_RELEASE_DATE}
    ${TALLYRA_PACKAGING_SOURCE}/tallyra.1.in
  COMMAND gzip -9nf ${TALLYRA_MAN_OUT}/tallyra.1 ${TALLYRA_MAN_OUT}/tallyra-batch.1
  DEPENDS make_manual_pages ${TALLYRA_PACKAGING_SOURCE}/tallyra.1.in
  COMMENT "Writing the manual pages"
  VERBATIM)

configure_file(${TALLYRA_PACKAGING_SOURCE}/${TALLYRA_APP_ID}.metainfo.xml.in
  ${TALLYRA_PACKAGING_OUT}/${TALLYRA_APP_ID}.metainfo.xml @ONLY)
configure_file(${TALLYRA_PACKAGING_SOURCE}/changelog.in ${TALLYRA_PACKAGING_OUT}/changelog @ONLY)
add_custom_command(
  OUTPUT ${TALLYRA_PACKAGING_OUT}/changelog.gz
  COMMAND gzip -9nkf ${TALLYRA_PACKAGING_OUT}/changelog
  DEPENDS ${TALLYRA_PACKAGING_OUT}/changelog
  VERBATIM)
add_custom_target(packaging_files ALL DEPENDS ${TALLYRA_ICONS} ${TALLYRA_MAN_PAGES} ${TALLYRA_PACKAGING_OUT}/changelog.gz)

# The layout: bin/, share/tallyra/ with the delivered files as the build made them, the desktop
# entry, the icon, the metadata, the manual pages, the copyright file.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(TALLYRA_INSTALL_SHARE ${CMAKE_INSTALL_DATADIR}/tallyra)
install(TARGETS tallyra tallyra-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
  ${TALLYRA_DATA_OUT}/2012NB_zul.mdb ${TALLYRA_DATA_OUT}/view.dll
  ${TALLYRA_DATA_OUT}/sumtable.zul ${TALLYRA_DATA_OUT}/exporttable.zul
  ${TALLYRA_DATA_OUT}/2011打印表.xltx ${TALLYRA_DATA_OUT}/2012打印表.xltx ${TALLYRA_DATA_OUT}/2012基层以上汇总表.xltx
  DESTINATION ${TALLYRA_INSTALL_SHARE})
install(DIRECTORY ${TALLYRA_DATA_OUT}/notes DESTINATION ${TALLYRA_INSTALL_SHARE})
install(FILES ${TALLYRA_PACKAGING_SOURCE}/${TALLYRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${TALLYRA_PACKAGING_OUT}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${TALLYRA_PACKAGING_OUT}/${TALLYRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TALLYRA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TALLYRA_PACKAGING_SOURCE}/copyright ${TALLYRA_PACKAGING_OUT}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tallyra)

# The Debian package: tallyra_VERSION_amd64.deb. Its library dependencies are computed from the
# programs; the desktop entry and the icon are registered by the desktop's own triggers.
# description.txt: the synopsis line, then the long description in English and in Chinese.
file(READ ${TALLYRA_PACKAGING_SOURCE}/description.txt TALLYRA_DESCRIPTION)
string(FIND "${TALLYRA_DESCRIPTION}" "\n" TALLYRA_SYNOPSIS_END)
string(SUBSTRING "${TALLYRA_DESCRIPTION}" 0 ${TALLYRA_SYNOPSIS_END} TALLYRA_SUMMARY)
math(EXPR TALLYRA_SYNOPSIS_END "${TALLYRA_SYNOPSIS_END} + 1")
string(SUBSTRING "${TALLYRA_DESCRIPTION}" ${TALLYRA_SYNOPSIS_END} -1 CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyra)
set(CPACK_PACKAGE_VENDOR Morvane)
set(CPACK_PACKAGE_VERSION ${TALLYRA_PACKAGE_VERSION})
set(CPACK_PACKAGE_CONTACT ${TALLYRA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${TALLYRA_SUMMARY})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TALLYRA_HOMEPAGE})
# Qt's own Chinese texts and a Chinese font come from the system.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc")
include(CPack)
