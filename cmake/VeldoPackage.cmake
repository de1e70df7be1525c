# Debian packages with CPack (scripts/package): `veldo` holds the player, veldo-play, the menu
# entry, the icons and the AppStream file; `veldo-sample-site` holds the local stand-in for the
# music site, so that an installed player can be tried at once. Their library dependencies come
# from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veldo")
set(CPACK_PACKAGE_CONTACT "Veldo maintainers <maintainers@users.noreply.c-seed-f3b0fb9f.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/veldo/veldo")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL player sample_site)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # name_version_arch.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)

set(CPACK_DEBIAN_PLAYER_PACKAGE_NAME veldo)
set(CPACK_COMPONENT_PLAYER_DESCRIPTION "player and downloader for a music-sharing site\n\
A small desktop player for one music-sharing site: an exploration list, a search\n\
box for sound page addresses, streaming playback with progress and a spectrum, and\n\
MP3 downloads into a musics folder. Media keys work through MPRIS.")
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's X11 platform plugin and the CJK
# font that the windows' Chinese texts are drawn with.
set(CPACK_DEBIAN_PLAYER_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei")

set(CPACK_DEBIAN_SAMPLE_SITE_PACKAGE_NAME veldo-sample-site)
set(CPACK_DEBIAN_SAMPLE_SITE_PACKAGE_SECTION sound)
set(CPACK_COMPONENT_SAMPLE_SITE_DESCRIPTION "local stand-in for Veldo's music site\n\
Serves the exploration pages, sound records, MP3s and covers that the veldo player\n\
asks for, on 127.0.0.1, so that the player can be tried without the real site.")

include(CPack)
