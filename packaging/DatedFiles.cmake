# Run by the .deb's install step: the Debian changelog and the AppStream
# metadata, each from its committed template, with the version from project()
# and the release date from SOURCE_DATE_EPOCH, the date of the commit packed.
include(${MORLENTH_PACKAGING_DIR}/SourceDateEpoch.cmake)
morlenth_source_date_epoch(${MORLENTH_SOURCE_DIR})

# string(TIMESTAMP) reads SOURCE_DATE_EPOCH in place of the clock.
string(TIMESTAMP MORLENTH_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP MORLENTH_RELEASE_DAY "%Y-%m-%d" UTC)

set(changelog ${MORLENTH_WORK_DIR}/changelog)
configure_file(${MORLENTH_PACKAGING_DIR}/changelog.in ${changelog} @ONLY)
# Debian asks for gzip -9n: no name and no time stamp in the header.
execute_process(COMMAND gzip -9n -c ${changelog} OUTPUT_FILE ${changelog}.gz COMMAND_ERROR_IS_FATAL ANY)
file(INSTALL ${changelog}.gz DESTINATION ${CMAKE_INSTALL_PREFIX}/share/doc/morlenth)

set(metainfo ${MORLENTH_WORK_DIR}/${MORLENTH_APPSTREAM_ID}.metainfo.xml)
configure_file(${MORLENTH_PACKAGING_DIR}/morlenth.metainfo.xml.in ${metainfo} @ONLY)
file(INSTALL ${metainfo} DESTINATION ${CMAKE_INSTALL_PREFIX}/share/metainfo)
