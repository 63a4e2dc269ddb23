# A Debian package of the two programs and their manual pages: `make package`
# (or `cmake --build --preset release --target package`) writes
# build/release/mqtracetools_<version>_<arch>.deb.

set(MQTT_PACKAGE_MAINTAINER "mqtracetools maintainers <maintainers@mqtracetools.example>"
    CACHE STRING "Maintainer field of the Debian package: Name <address>")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "mqtracetools")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "mqtracetools maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "formatter and API call statistics for formatted MQ API traces")
# The long description: one string, wrapped as dpkg shows it; an empty line
# separates paragraphs.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Two command-line tools for support engineers who read traces of\n"
  "applications that use the MQ messaging API.\n"
  "\n"
  "varnel copies a formatted trace and writes, after every hex dump of an\n"
  "MQ structure, a field-by-field expansion with the constant names. On\n"
  "request it checks message data as ISO-8859-1, UTF-8 or UTF-16, searches\n"
  "it, and captures a message to a file.\n"
  "\n"
  "quorbit pairs the entry and exit lines of the MQOPEN, MQCLOSE, MQGET,\n"
  "MQPUT and MQPUT1 calls of each traced thread, times them and writes a\n"
  "statistics report per thread and queue.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MQTT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The C and C++ run-time libraries the programs link against, found by
# dpkg-shlibdeps (package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Debian ships manual pages compressed: gzip them in the staging folder.
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/GzipManPages.cmake")

include(CPack)
