# Runs at the end of `cmake --install`: writes <prefix>/lib/zq4/uninstall.cmake, which removes every file this
# installation put in place and then brings the desktop's databases up to date. It needs no build folder.
set(uninstaller "${CMAKE_INSTALL_PREFIX}/lib/zq4/uninstall.cmake")
file(READ "${ZQ4_SOURCE_DIR}/packaging/Uninstall.cmake" remove)
file(READ "${ZQ4_SOURCE_DIR}/desktop/RegisterDesktop.cmake" register)
file(WRITE "${uninstaller}"
    "# Removes ZQ4 from ${CMAKE_INSTALL_PREFIX}: cmake -P ${uninstaller}\n"
    "set(ZQ4_INSTALLED [==[${CMAKE_INSTALL_MANIFEST_FILES}]==])\n"
    "set(ZQ4_REGISTER_PREFIX [==[${CMAKE_INSTALL_PREFIX}]==])\n\n"
    "${remove}\n${register}")
message(STATUS "Installing: ${uninstaller}")
