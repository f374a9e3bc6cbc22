# What installs of orvanel-play: the program, its man page, its copyright and changelog,
# its Bash and zsh completions, under the install prefix (make install: PREFIX, DESTDIR)
# or in a Debian package (make deb, CPack). Neither needs the tests, the tools or the
# benchmarks built. make uninstall (Makefile) removes the same files.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS orvanel-play RUNTIME DESTINATION bin)
# The synth and ALSA modules, where the player looks for them: ../libexec/orvanel-play/ from its folder.
if(TARGET orvanel-synth)
    install(TARGETS orvanel-synth LIBRARY DESTINATION libexec/orvanel-play)
endif()
if(TARGET orvanel-alsa)
    install(TARGETS orvanel-alsa LIBRARY DESTINATION libexec/orvanel-play)
endif()
# The man page and the changelog carry the version of the build; both are installed
# compressed, without a time stamp, as Debian wants them.
configure_file(${CMAKE_SOURCE_DIR}/cli/orvanel-play.1.in ${CMAKE_BINARY_DIR}/orvanel-play.1 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cli/package/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
foreach(name orvanel-play.1 changelog)
    execute_process(COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/${name} OUTPUT_FILE ${CMAKE_BINARY_DIR}/${name}.gz
        RESULT_VARIABLE gzip_status)
    if(NOT gzip_status EQUAL 0)
        message(FATAL_ERROR "gzip could not compress ${name}")
    endif()
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/orvanel-play.1.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/cli/package/copyright ${CMAKE_BINARY_DIR}/changelog.gz
    DESTINATION share/doc/orvanel-play)
install(FILES ${CMAKE_SOURCE_DIR}/cli/completion/orvanel-play.bash DESTINATION share/bash-completion/completions
    RENAME orvanel-play)
# zsh reads its packages' completions from vendor-completions below /usr (Debian), a local
# install's from site-functions.
install(CODE "
    set(zsh_folder share/zsh/site-functions)
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(zsh_folder share/zsh/vendor-completions)
    endif()
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${zsh_folder}\" TYPE FILE
        FILES \"${CMAKE_SOURCE_DIR}/cli/completion/_orvanel-play\")
")

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
