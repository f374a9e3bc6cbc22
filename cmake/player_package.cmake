# What installs of orvanel-play: the program and its man page, under the install prefix
# (make install: PREFIX, DESTDIR) or in a Debian package (make deb, CPack). Neither needs
# the tests, the tools or the benchmarks built.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS orvanel-play RUNTIME DESTINATION bin)
# The synth module, where the player looks for it: ../lib/orvanel-play/ from its folder.
if(TARGET orvanel-synth)
    install(TARGETS orvanel-synth LIBRARY DESTINATION lib/orvanel-play)
endif()
# The man page carries the version of the build.
configure_file(${CMAKE_SOURCE_DIR}/cli/orvanel-play.1.in ${CMAKE_BINARY_DIR}/orvanel-play.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/orvanel-play.1 DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanel-play)
set(CPACK_PACKAGE_VERSION ${ORVANEL_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "terminal MIDI file player and renderer")
# Below the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Plays Standard MIDI Files and RMID files, single or a whole folder tree, to an
ALSA sequencer port or an embedded FluidSynth, or renders them to WAV files.")
set(CPACK_PACKAGE_CONTACT "Orvanel maintainers <maintainers@orvanel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The shared libraries the program links (ALSA, FluidSynth, the C++ runtime) become its
# dependencies; the synth devices want a General MIDI SoundFont beside them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm | timgm6mb-soundfont")
set(CPACK_STRIP_FILES ON)
include(CPack)
