# Per-generator CPack settings, read by cpack for each generator it runs
# (CPACK_PROJECT_CONFIG_FILE in cmake/packaging.cmake).
#
# The Windows installer is harbour-search-kit-VERSION-win32-setup.exe beside
# the zip, and installs the zip's folder's files straight into the folder the
# user picks, without the zip's top folder.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
