# Brings the desktop's databases under ZQ4_REGISTER_PREFIX up to date with what is installed there: the file
# types, the menu entries' file types and the icon cache. A tool that is missing is skipped; the desktop then
# reads the files themselves, later or more slowly.
set(share "${ZQ4_REGISTER_PREFIX}/share")
find_program(update_mime update-mime-database)
if(update_mime AND IS_DIRECTORY "${share}/mime/packages")
    execute_process(COMMAND "${update_mime}" "${share}/mime")
    message(STATUS "Registered: file types in ${share}/mime")
endif()
find_program(update_desktop update-desktop-database)
if(update_desktop AND IS_DIRECTORY "${share}/applications")
    execute_process(COMMAND "${update_desktop}" -q "${share}/applications")
endif()
find_program(update_icons gtk-update-icon-cache)
if(update_icons AND EXISTS "${share}/icons/hicolor/index.theme")
    execute_process(COMMAND "${update_icons}" -q -t -f "${share}/icons/hicolor")
endif()
