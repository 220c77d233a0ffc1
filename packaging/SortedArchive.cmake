# Run by cpack after it packed: the DEB generator writes its entries sorted by
# name, the TGZ generator in the order the file system lists them, which differs
# from folder to folder. The archive is packed again from the same staging
# folder, sorted, owned by root, every entry at SOURCE_DATE_EPOCH, and gzip'd
# without a name or a time stamp.
if(NOT CPACK_GENERATOR STREQUAL "TGZ")
  return()
endif()
execute_process(
  COMMAND tar --create --format=gnu --sort=name --owner=0 --group=0 --numeric-owner
    --mtime=@$ENV{SOURCE_DATE_EPOCH} --directory=${CPACK_TOPLEVEL_DIRECTORY} ${CPACK_PACKAGE_FILE_NAME}
  COMMAND gzip -9n
  OUTPUT_FILE ${CPACK_PACKAGE_FILES}
  COMMAND_ERROR_IS_FATAL ANY)
