# make windows: the player as build-windows/morlenth-VERSION-win64.zip, which
# runs where it is unzipped (docs/windows.md). The exe carries the project's
# icon and a version resource; the C and C++ runtimes are linked in, so the
# zip holds only the DLLs of SDL2, GLEW and mpg123.

set(MORLENTH_WINDOWS_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(MORLENTH_ICON_DIR ${PROJECT_BINARY_DIR}/icon)
set(MORLENTH_ICO ${MORLENTH_ICON_DIR}/morlenth.ico)
# What Explorer shows, from a small list to a large tile.
set(MORLENTH_ICO_SIZES 16 32 48 256)
# The DLLs of the libraries built from Debian's sources that the exe loads; the
# zip's test checks every import against them and Windows' own DLLs.
set(MORLENTH_WINDOWS_DLLS SDL2.dll glew32.dll libmpg123-0.dll)

enable_language(RC)

# No time stamp in the PE header, so the same commit links to the same bytes,
# and stripped by the linker: strip would stamp the header again. The MinGW-w64
# runtime (libgcc, libstdc++, winpthread) goes inside the exe rather than beside
# it: -static takes every -l library from its static archive. SDL2, GLEW and
# mpg123 are linked through their import libraries, named by path, and stay DLLs.
target_link_options(morlenth_core INTERFACE LINKER:--no-insert-timestamp -s -static)

set(icoPngs)
foreach(size ${MORLENTH_ICO_SIZES})
  set(png ${MORLENTH_ICON_DIR}/morlenth-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MORLENTH_ICON_DIR}
    COMMAND rsvg-convert -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/packaging/morlenth.svg
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/morlenth.svg VERBATIM)
  list(APPEND icoPngs ${png})
endforeach()
add_custom_command(OUTPUT ${MORLENTH_ICO}
  COMMAND python3 ${MORLENTH_WINDOWS_PACKAGING_DIR}/make_ico.py ${MORLENTH_ICO} ${icoPngs}
  DEPENDS ${icoPngs} ${MORLENTH_WINDOWS_PACKAGING_DIR}/make_ico.py VERBATIM)

configure_file(${MORLENTH_WINDOWS_PACKAGING_DIR}/morlenth.rc.in ${PROJECT_BINARY_DIR}/morlenth.rc @ONLY)
target_sources(morlenth PRIVATE ${PROJECT_BINARY_DIR}/morlenth.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/morlenth.rc PROPERTIES OBJECT_DEPENDS ${MORLENTH_ICO})

configure_file(${MORLENTH_WINDOWS_PACKAGING_DIR}/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
# Notepad's line ends; the licence holds nothing that @ONLY would replace.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)

set(MORLENTH_ZIP_NAME morlenth-${PROJECT_VERSION}-win64)
set(MORLENTH_ZIP ${PROJECT_BINARY_DIR}/${MORLENTH_ZIP_NAME}.zip)
set(dllPaths)
foreach(dll ${MORLENTH_WINDOWS_DLLS})
  list(APPEND dllPaths ${MORLENTH_WINDOWS_DEPS}/bin/${dll})
endforeach()
# Staged and packed on every build: the zip is made from the tree as it is, and
# packing the same tree twice gives the same bytes.
add_custom_target(morlenth_zip ALL
  COMMAND ${CMAKE_COMMAND}
    -DSTAGE=${PROJECT_BINARY_DIR}/zip-stage -DTOP=${MORLENTH_ZIP_NAME} -DZIP=${MORLENTH_ZIP}
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DBINARY_DIR=${PROJECT_BINARY_DIR}
    -DEXE=$<TARGET_FILE:morlenth> "-DDLLS=${dllPaths}"
    -P ${MORLENTH_WINDOWS_PACKAGING_DIR}/StageZip.cmake
  DEPENDS morlenth VERBATIM)
