# Run by CPack on its staging folder before the package is made.
file(GLOB_RECURSE manuals "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*.6")
foreach(manual ${manuals})
  execute_process(COMMAND gzip -9nf ${manual} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(GLOB docs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/cellrune")
foreach(doc ${docs})
  file(COPY ${CPACK_CELLRUNE_SOURCE_DIR}/packaging/copyright DESTINATION ${doc})
  configure_file(${CPACK_CELLRUNE_SOURCE_DIR}/packaging/changelog ${doc}/changelog @ONLY) # a native package: changelog, not changelog.Debian
  execute_process(COMMAND gzip -9nf ${doc}/changelog COMMAND_ERROR_IS_FATAL ANY)
endforeach()
