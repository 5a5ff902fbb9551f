# Installation and the Debian package.
#
# The layout is the usual one of a Debian tool:
#   bin/elipses, bin/elipses-svg                the programs
#   share/man/man1/elipses.1.gz                 the manual page, in Portuguese
#   share/doc/elipses/                          the guide, the README, the guide's pictures
#   share/doc/elipses/exemplos/                 the example traverse and its answer files
#   share/elipses/elipses.html                  the web page, when ELIPSES_WEB_PAGE names it
#
# `cpack -G DEB` in the build tree makes elipses_<version>_<arch>.deb (scripts/package does it).

include(GNUInstallDirs)

# Directories made by the installation are world-readable whatever the umask of the builder.
set(ELIPSES_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${ELIPSES_DIRECTORY_PERMISSIONS})

install(TARGETS elipses RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The picture tool is built only when tools/ is part of the tree.
if(TARGET elipses-svg)
  install(TARGETS elipses-svg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(ELIPSES_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/elipses)

# Manual pages are installed compressed, with no name or time stamp in the gzip header so that
# two builds of the same sources give the same package.
if(UNIX)
  find_program(ELIPSES_GZIP gzip REQUIRED)
  set(ELIPSES_MAN_PAGES elipses.1 elipses-svg.1)
  set(ELIPSES_COMPRESSED_MAN_PAGES "")
  foreach(page IN LISTS ELIPSES_MAN_PAGES)
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/docs/${page})
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(
      OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${ELIPSES_GZIP} -9n -c ${source} > ${compressed}
      DEPENDS ${source}
      COMMENT "Compressing the manual page ${page}"
      VERBATIM)
    list(APPEND ELIPSES_COMPRESSED_MAN_PAGES ${compressed})
  endforeach()
  add_custom_target(elipses_man_pages ALL DEPENDS ${ELIPSES_COMPRESSED_MAN_PAGES})
  install(FILES ${ELIPSES_COMPRESSED_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # A Debian package carries its copyright notice and a compressed change log in its doc folder.
  set(ELIPSES_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
  add_custom_command(
    OUTPUT ${ELIPSES_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/debian
    COMMAND ${ELIPSES_GZIP} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog
            > ${ELIPSES_CHANGELOG}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog
    COMMENT "Compressing the package change log"
    VERBATIM)
  add_custom_target(elipses_changelog ALL DEPENDS ${ELIPSES_CHANGELOG})
  install(FILES ${ELIPSES_CHANGELOG} packaging/debian/copyright DESTINATION ${ELIPSES_DOC_DIR})
endif()

# The guide shows its two pictures from its own folder.
install(FILES docs/GUIA.md docs/exemplo.png docs/exemplo-pormenor.png README.md
        DESTINATION ${ELIPSES_DOC_DIR})
install(DIRECTORY examples/ DESTINATION ${ELIPSES_DOC_DIR}/exemplos
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        DIRECTORY_PERMISSIONS ${ELIPSES_DIRECTORY_PERMISSIONS})

# The same program as one web page (scripts/web builds it; scripts/package passes it here).
set(ELIPSES_WEB_PAGE "" CACHE FILEPATH "The page built by scripts/web, to install in share/elipses")
if(ELIPSES_WEB_PAGE)
  install(FILES ${ELIPSES_WEB_PAGE} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/elipses)
endif()

# The Debian package.
set(CPACK_PACKAGE_NAME elipses)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "elipses")
set(CPACK_PACKAGE_CONTACT "elipses maintainers <elipses@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pre-analysis of traverse precision: error ellipses")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${ELIPSES_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps reads the libraries the programs link to (libc6, libstdc++6, libgcc-s1) and
# writes the Depends field with the versions they need.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack puts the summary above as the synopsis line and indents this, the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Before a traverse is observed, elipses tells how precisely each of its
points will come out with the instruments at hand. From the planned
coordinates and the a-priori precision of distances (mm + ppm) and of
angles or bearings, it propagates variances and covariances along an open
or closed traverse and writes each point's error or confidence ellipse:
a table and a CAD script. elipses-svg draws the script as SVG or DXF.
.
Pré-análise da precisão de uma poligonal antes de ser observada: a partir
das coordenadas planeadas e da precisão dos instrumentos, o elipses
calcula as elipses de erro ou de confiança de cada ponto e escreve uma
tabela e um script para o programa de CAD. Manual e guia em português.")
include(CPack)

# scripts/package names the Windows zip after this.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/elipses-version.txt "${PROJECT_VERSION}\n")
