# Run by cpack between installing into its staging folder and packing it: every
# file and folder gets a mode that depends only on whether it is executable, not
# on the umask of whoever packs. The times are SOURCE_DATE_EPOCH's, which CPack's
# archive writers put on every entry themselves.
execute_process(
  COMMAND find ${CPACK_TEMPORARY_DIRECTORY} -exec chmod u=rwX,go=rX {} +
  COMMAND_ERROR_IS_FATAL ANY)
