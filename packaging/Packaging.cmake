# The Debian package (`make package`): what `cmake --install` puts under /usr, the executable stripped on the
# way in (no second build), with the dependencies read from the executable by dpkg-shlibdeps.
set(ZQ4_MAINTAINER "ZQ4 maintainers <maintainers@zq4.example.org>" CACHE STRING "Maintainer of the package")

# A native package's copyright and changelog, where Debian looks for them.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9n < '${CMAKE_SOURCE_DIR}/packaging/changelog' > '${CMAKE_BINARY_DIR}/packaging/changelog.gz'"
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(zq4_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/zq4)

# Packaging takes what is built; it does not build the tests and benchmarks first (`make package` builds).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zq4)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZQ4_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file-encryption workbench for files and folders")
# Debian wants the long description in lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "From one window the user sets up an operation and runs it: encrypt or decrypt"
    "one file, or the files of a folder that match a file pattern, optionally with"
    "its subfolders; write the results to new files or replace the originals; take"
    "the key from the keyboard, from a keyfile or from a new random keyfile. A"
    "report window shows one line per file. Files are encrypted with AES-256-GCM in"
    "authenticated segments, the key stretched with scrypt. Operations saved from"
    "the window also run from the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
