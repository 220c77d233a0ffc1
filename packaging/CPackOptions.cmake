# Read by cpack once per generator: each package installs only the component
# that holds its own layout, in place of every component.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(layout deb)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
else()
  set(layout archive)
endif()
list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 buildDir)
list(GET CPACK_INSTALL_CMAKE_PROJECTS 1 projectName)
set(CPACK_INSTALL_CMAKE_PROJECTS "${buildDir};${projectName};${layout};/")

# Set before anything is installed or packed, so that every time stamp in both
# packages is this one.
include(${CMAKE_CURRENT_LIST_DIR}/SourceDateEpoch.cmake)
morlenth_source_date_epoch(${CPACK_MORLENTH_SOURCE_DIR})
