# make package: the player and its data as a .tar.gz that runs where it is
# unpacked, and as a .deb that installs it under /usr with a launcher.
# The two layouts differ, so each is its own install component and each CPack
# generator packs only its own (CPackOptions.cmake).

set(MORLENTH_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# What the program reads from its working folder; the timeline text is an
# authoring source and stays out.
function(morlenth_install_data component dataDir)
  install(FILES ${PROJECT_SOURCE_DIR}/Config.txt DESTINATION ${dataDir} COMPONENT ${component})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/shaders DESTINATION ${dataDir}/res COMPONENT ${component})
  install(FILES ${PROJECT_SOURCE_DIR}/res/textures/smoothNoise.png
    DESTINATION ${dataDir}/res/textures COMPONENT ${component})
  install(FILES ${PROJECT_SOURCE_DIR}/res/audio/melody.mp3 DESTINATION ${dataDir}/res/audio COMPONENT ${component})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/sync/ DESTINATION ${dataDir}/res/sync COMPONENT ${component}
    FILES_MATCHING PATTERN "_*.track")
endfunction()

# The archive: everything in one folder, the program beside its data.
install(TARGETS morlenth RUNTIME DESTINATION . COMPONENT archive)
morlenth_install_data(archive .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT archive)

# The Debian package, under /usr: the launcher on the PATH runs the program from
# a per-user folder, since the installed data is read-only.
install(PROGRAMS ${MORLENTH_PACKAGING_DIR}/morlenth DESTINATION bin COMPONENT deb)
install(TARGETS morlenth RUNTIME DESTINATION lib/morlenth COMPONENT deb)
morlenth_install_data(deb share/morlenth)
install(FILES ${MORLENTH_PACKAGING_DIR}/morlenth.desktop DESTINATION share/applications COMPONENT deb)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/morlenth COMPONENT deb)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/morlenth RENAME copyright COMPONENT deb)

# Packaging needs only the player: cpack must not wait for every test, tool and
# benchmark to build first. make package builds the player before it packs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME morlenth)
set(CPACK_PACKAGE_VENDOR "The Morlenth authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time audiovisual demo")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${MORLENTH_PACKAGING_DIR}/CPackOptions.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Morlenth authors")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "One program opens a window, plays one piece of music from start to end and\n draws a line-drawn 3-D scene in step with it.")
# Depends comes from the libraries the program links (SDL2, GLEW, mpg123, GL).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
