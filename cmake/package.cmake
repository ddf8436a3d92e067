# make package: vuxa_<version>_amd64.deb with CPack. The package holds what
# `cmake --install` installs (program, data, desktop entry, icon, man page)
# under /usr, plus the copyright file and changelog Debian asks for; the man
# page and changelog are compressed in the package only (pack-debian.cmake),
# so a plain install keeps the man page as it is.

# Debian asks for full RELRO and immediate binding in packaged programs.
target_link_options(vuxa PRIVATE -Wl,-z,relro -Wl,-z,now)

set(VUXA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vuxa)
install(FILES dist/copyright DESTINATION ${VUXA_DOC_DIR})
install(FILES dist/changelog DESTINATION ${VUXA_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vuxa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The vuxa developers <vuxa@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "52-second real-time intro with tracker music")
set(CPACK_PACKAGE_DESCRIPTION
  "A real-time intro in the manner of the late nineties: grey noise with\n"
  "glowing titles, a flight down a textured tunnel with credit pictures,\n"
  "a software-lit 3D scene and a closing picture, with a tracker module\n"
  "playing throughout. Music, pictures and scene are made by the project's\n"
  "own generator. It plays full screen or in a window, and can write its\n"
  "frames and music to files.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)  # as the desktop entry: AudioVideo;Video
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the platform's GDI text draws with: Tahoma from fonts-wine, DejaVu as fallback.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/pack-debian.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
