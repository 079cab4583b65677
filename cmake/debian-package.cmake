# The Debian packages, made by CPack from the install() rules:
#
#   zemo      the console program, the installation data (share/zemo: etc,
#             data, help, log) and its manual page; needs neither Qt nor
#             GDAL, so a server installs it alone;
#   wzemo     the desktop program, Qt's Czech dialogs (share/zemo/
#             translations), the desktop entry, the MIME type of projects,
#             the icon and its manual page;
#   zemo-map  the map tool and its manual page.
#
# wzemo and zemo-map depend on zemo of the same version; every library
# dependency is computed by dpkg-shlibdeps. The programs find
# /usr/share/zemo next to /usr/bin, so no settings file is shipped
# (docs/linux-package.md).
#
#   cmake --build build --target package      # build/zemo_<version>_amd64.deb, ...
#
# Included from the top CMakeLists.txt outside Windows, after the programs.

set(ZEMO_PACKAGE_MAINTAINER "Vývojáři ZEMO <zemo@example.org>"
    CACHE STRING "The Maintainer field of the Debian packages")

# The component of every install() rule: console (package zemo), desktop
# (wzemo), maps (zemo-map).
set(ZEMO_PACKAGE_COMPONENTS console)
if(TARGET wzemo)
  list(APPEND ZEMO_PACKAGE_COMPONENTS desktop)
endif()
if(TARGET zemo-map)
  list(APPEND ZEMO_PACKAGE_COMPONENTS maps)
endif()
set(ZEMO_PACKAGE_NAME_console zemo)
set(ZEMO_PACKAGE_NAME_desktop wzemo)
set(ZEMO_PACKAGE_NAME_maps zemo-map)
set(ZEMO_PROGRAM_console zemo)
set(ZEMO_PROGRAM_desktop wzemo)
set(ZEMO_PROGRAM_maps zemo-map)

set(ZEMO_LINUX_FILES ${CMAKE_SOURCE_DIR}/install/linux)
set(ZEMO_PACKAGE_WORK ${CMAKE_BINARY_DIR}/linux-package)
file(MAKE_DIRECTORY ${ZEMO_PACKAGE_WORK})
find_program(ZEMO_GZIP gzip REQUIRED)

# The manual pages, made at build time from each program's own usage text
# ("PROGRAM -h"): the synopsis and the options come from the program, the
# rest of the page from install/linux/man/PROGRAM.1.in.
set(ZEMO_MAN_PAGES)
foreach(component IN LISTS ZEMO_PACKAGE_COMPONENTS)
  set(program ${ZEMO_PROGRAM_${component}})
  set(page ${ZEMO_PACKAGE_WORK}/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/man-page.sh $<TARGET_FILE:${program}>
            ${ZEMO_LINUX_FILES}/man/${program}.1.in ${page} ${PROJECT_VERSION}
    DEPENDS ${program} ${ZEMO_LINUX_FILES}/man/${program}.1.in ${CMAKE_SOURCE_DIR}/cmake/man-page.sh
    COMMENT "Manual page ${program}.1 from \"${program} -h\""
    VERBATIM)
  list(APPEND ZEMO_MAN_PAGES ${page})
  install(FILES ${page} DESTINATION share/man/man1 COMPONENT ${component})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${ZEMO_MAN_PAGES})

# The Debian changelog of this version (the packages are native: the
# version is the project's own) and the copyright file, in every package's
# share/doc/<package>/. The date is the day of the build, or of
# SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP ZEMO_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
file(CONFIGURE OUTPUT ${ZEMO_PACKAGE_WORK}/changelog
  CONTENT "zemo (${PROJECT_VERSION}) unstable; urgency=medium

  * ZEMO ${PROJECT_VERSION}.

 -- ${ZEMO_PACKAGE_MAINTAINER}  ${ZEMO_CHANGELOG_DATE}
" @ONLY)
execute_process(COMMAND ${ZEMO_GZIP} -9nc ${ZEMO_PACKAGE_WORK}/changelog
                OUTPUT_FILE ${ZEMO_PACKAGE_WORK}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN LISTS ZEMO_PACKAGE_COMPONENTS)
  install(FILES ${ZEMO_LINUX_FILES}/copyright ${ZEMO_PACKAGE_WORK}/changelog.gz
          DESTINATION share/doc/${ZEMO_PACKAGE_NAME_${component}} COMPONENT ${component})
endforeach()

# The desktop entry, the MIME type of projects (*.atm) and the logo as the
# program's icon; the desktop, MIME and icon caches are updated by the
# triggers of Debian's desktop-file-utils, shared-mime-info and
# hicolor-icon-theme.
if(TARGET wzemo)
  install(FILES ${ZEMO_LINUX_FILES}/zemo-wzemo.desktop DESTINATION share/applications COMPONENT desktop)
  install(FILES ${ZEMO_LINUX_FILES}/zemo-wzemo.xml DESTINATION share/mime/packages COMPONENT desktop)
  install(FILES ${CMAKE_SOURCE_DIR}/desktop/qt/pictures/logo.svg DESTINATION share/icons/hicolor/scalable/apps
          RENAME zemo-wzemo.svg COMPONENT desktop)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zemo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ZEMO)
set(CPACK_PACKAGE_CONTACT ${ZEMO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The directories the packages hold but no rule makes (usr, usr/share, ...).
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL ${ZEMO_PACKAGE_COMPONENTS})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZEMO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_NAME zemo)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME wzemo)
set(CPACK_DEBIAN_MAPS_PACKAGE_NAME zemo-map)
# wzemo and zemo-map with zemo of the same version ("zemo (= <version>)").
set(CPACK_COMPONENT_DESKTOP_DEPENDS console)
set(CPACK_COMPONENT_MAPS_DEPENDS console)
# Qt loads its platform plugin at run time, so dpkg-shlibdeps cannot see
# it; without one wzemo cannot start.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS qt6-qpa-plugins)

set(CPACK_DEBIAN_CONSOLE_DESCRIPTION "rozptylový model kvality ovzduší, konzolový program
ZEMO počítá imisní koncentrace znečišťujících látek v referenčních
bodech z bodových, liniových a plošných zdrojů a větrných růžic.
Balíček drží konzolový program zemo a instalaci modelu v /usr/share/zemo
(nastavení modelu, katalog látek, rotační sítě, nápovědu); nepotřebuje
Qt ani GDAL.")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION "rozptylový model kvality ovzduší, program s okny
Program wzemo modelu ZEMO ukáže projekt v okně, kontroluje zadání,
zkouší vstupní soubory a spouští výpočet; výsledky jsou tytéž jako
výsledky programu zemo. Balíček drží i české texty dialogů Qt, položku
nabídky a typ souboru projektů (.atm).")
set(CPACK_DEBIAN_MAPS_DESCRIPTION "rozptylový model kvality ovzduší, mapy výsledků
Program zemo-map modelu ZEMO udělá z výsledků úplného výpočtu vrstvu
GeoPackage s body a zdroji, rastry GeoTIFF a obrázky PNG pro každou
látku.")

include(CPack)
