# Read by cpack after its configuration and any -D: the names that carry the
# version.
set(CPACK_PACKAGE_FILE_NAME "tq5271-utilities-${CPACK_PACKAGE_VERSION}-win64-setup")
set(CPACK_NSIS_PACKAGE_NAME "TQ5271 Utilities ${CPACK_PACKAGE_VERSION}")
