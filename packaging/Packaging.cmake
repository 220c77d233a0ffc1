# make package: the player and its data as a .tar.gz that runs where it is
# unpacked, and as a .deb that installs it under /usr with a launcher.
# The two layouts differ, so each is its own install component and each CPack
# generator packs only its own (CPackOptions.cmake).

set(MORLENTH_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
# The project has no mailing list and no web site: the reserved top-level domain
# .invalid can never be registered or resolve, so the address names the authors
# without pointing at a mailbox that a stranger could own.
set(MORLENTH_MAINTAINER "The Morlenth authors <authors@morlenth.invalid>")
set(MORLENTH_APPSTREAM_ID invalid.morlenth.demo)
set(MORLENTH_ICON_SIZES 48 256)

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

# The player, stripped as Debian strips it: CPack's plain strip leaves the
# compiler's .comment and the .note section behind.
function(morlenth_install_program component dir)
  install(TARGETS morlenth RUNTIME DESTINATION ${dir} COMPONENT ${component})
  install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dir}/morlenth\" COMMAND_ERROR_IS_FATAL ANY)" COMPONENT ${component})
endfunction()

# Made at build time from the committed sources: the icon's bitmaps, rendered
# from its SVG, and the manual page, compressed without a name or a time stamp.
set(MORLENTH_PACKAGE_FILES_DIR ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${MORLENTH_PACKAGE_FILES_DIR})
set(packageFiles ${MORLENTH_PACKAGE_FILES_DIR}/morlenth.6.gz)
add_custom_command(OUTPUT ${MORLENTH_PACKAGE_FILES_DIR}/morlenth.6.gz
  COMMAND gzip -9n -c ${MORLENTH_PACKAGING_DIR}/morlenth.6 > ${MORLENTH_PACKAGE_FILES_DIR}/morlenth.6.gz
  DEPENDS ${MORLENTH_PACKAGING_DIR}/morlenth.6 VERBATIM)
foreach(size ${MORLENTH_ICON_SIZES})
  set(png ${MORLENTH_PACKAGE_FILES_DIR}/morlenth-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND rsvg-convert -w ${size} -h ${size} -o ${png} ${MORLENTH_PACKAGING_DIR}/morlenth.svg
    DEPENDS ${MORLENTH_PACKAGING_DIR}/morlenth.svg VERBATIM)
  list(APPEND packageFiles ${png})
endforeach()
add_custom_target(morlenth_package_files ALL DEPENDS ${packageFiles})

# The archive: everything in one folder, the program beside its data.
morlenth_install_program(archive .)
morlenth_install_data(archive .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT archive)

# The Debian package, under /usr: a demo is filed with the games, so the launcher
# is in /usr/games and its manual page in section 6. The launcher runs the
# program from a per-user folder, since the installed data is read-only.
install(PROGRAMS ${MORLENTH_PACKAGING_DIR}/morlenth DESTINATION games COMPONENT deb)
morlenth_install_program(deb lib/morlenth)
morlenth_install_data(deb share/morlenth)
install(FILES ${MORLENTH_PACKAGING_DIR}/morlenth.desktop DESTINATION share/applications COMPONENT deb)
install(FILES ${MORLENTH_PACKAGING_DIR}/morlenth.svg DESTINATION share/icons/hicolor/scalable/apps COMPONENT deb)
foreach(size ${MORLENTH_ICON_SIZES})
  install(FILES ${MORLENTH_PACKAGE_FILES_DIR}/morlenth-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
    RENAME morlenth.png COMPONENT deb)
endforeach()
install(FILES ${MORLENTH_PACKAGE_FILES_DIR}/morlenth.6.gz DESTINATION share/man/man6 COMPONENT deb)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${MORLENTH_PACKAGING_DIR}/copyright
  DESTINATION share/doc/morlenth COMPONENT deb)
install(FILES ${MORLENTH_PACKAGING_DIR}/lintian-overrides DESTINATION share/lintian/overrides
  RENAME morlenth COMPONENT deb)
# The changelog and the AppStream metadata carry the release date, which is
# known only when packing.
install(CODE "set(MORLENTH_PACKAGING_DIR \"${MORLENTH_PACKAGING_DIR}\")
  set(MORLENTH_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(MORLENTH_WORK_DIR \"${MORLENTH_PACKAGE_FILES_DIR}/dated\")
  set(MORLENTH_VERSION \"${PROJECT_VERSION}\")
  set(MORLENTH_MAINTAINER \"${MORLENTH_MAINTAINER}\")
  set(MORLENTH_APPSTREAM_ID \"${MORLENTH_APPSTREAM_ID}\")
  include(\"${MORLENTH_PACKAGING_DIR}/DatedFiles.cmake\")" COMPONENT deb)

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
set(CPACK_PRE_BUILD_SCRIPTS ${MORLENTH_PACKAGING_DIR}/FixedModes.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${MORLENTH_PACKAGING_DIR}/SortedArchive.cmake)
set(CPACK_MORLENTH_SOURCE_DIR ${PROJECT_SOURCE_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MORLENTH_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "One program opens a window, plays one piece of music from start to end and\n draws a line-drawn 3-D scene in step with it.")
# Depends comes from the libraries the program links (SDL2, GLEW, mpg123, GL).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
