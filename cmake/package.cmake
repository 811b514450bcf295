# A Debian package through CPack (scripts/package). Dependencies come from dpkg-shlibdeps, so they
# are exactly the libraries the programs and the plug-in link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME versolune)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Versolune developers <developers@versolune.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio player that shows the lyrics in time with the song")
# The summary above is the synopsis; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Versolune plays MP3, Ogg Vorbis, WAV and FLAC files and MP3 or Ogg Vorbis
internet radio, and shows the LRC lyrics of the playing song, the current
line highlighted and scrolling with the music. It keeps playlists, shapes
the sound with a 10-band equalizer and effects, and wears skins. This
package holds the player window (versolune), the terminal player
(versolune-play), the lyrics service over your own LRC files that the
player's lyrics search asks (versolune-lyricsd), the FLAC plug-in, a
sample skin and a demo song.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
