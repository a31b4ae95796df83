# Installation (`cmake --install`) and packages (`cpack`): an NSIS installer
# on Windows, a .deb on Linux.
#
# The program and nakilon-aktar keep every file of an office (settings, device
# list, transfer output, backups) in the folder of their own executable, and
# share it. So on Windows both go into one folder that its users can write,
# C:\Nakilon by default, and the uninstaller removes only the files it
# installed. On Linux they go to lib/nakilon, and the commands in bin are
# launchers that run them from a program folder of each user.
#
# No package ever installs or registers the terminal maker's component (its
# own installer does) nor the test stand-in that takes its place in tests.
include(GNUInstallDirs)

set(NAKILON_PROGRAMS)
foreach(program nakilon nakilon-aktar)
  if(TARGET ${program})
    list(APPEND NAKILON_PROGRAMS ${program})
  endif()
endforeach()
if(NOT NAKILON_PROGRAMS)
  return()
endif()

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
if(WIN32)
  install(TARGETS ${NAKILON_PROGRAMS} RUNTIME DESTINATION .)
  # The compiler's runtime and, for the window, Qt's libraries, its plugins in
  # the subfolders where Qt looks for them, and its texts in Turkish in
  # translations\ beside the program, where the program looks first
  # (cmake/WindowsRuntime.cmake).
  install(FILES ${NAKILON_WINDOWS_RUNTIME_DLLS} DESTINATION .)
  if(TARGET nakilon)
    foreach(dll IN LISTS NAKILON_QT_DLLS)
      install(FILES $<TARGET_FILE:${dll}> DESTINATION .)
    endforeach()
    foreach(item IN LISTS NAKILON_QT_PLUGIN_INSTALLS)
      string(REPLACE "|" ";" item "${item}")
      list(GET item 0 file)
      list(GET item 1 folder)
      install(FILES ${file} DESTINATION ${folder})
    endforeach()
    if(NAKILON_QT_TRANSLATION)
      install(FILES ${NAKILON_QT_TRANSLATION} DESTINATION translations)
    endif()
  endif()
else()
  set(programDir lib/nakilon)
  install(TARGETS ${NAKILON_PROGRAMS} RUNTIME DESTINATION ${programDir})
  if(TARGET nakilon-terminal)
    install(TARGETS nakilon-terminal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  file(RELATIVE_PATH NAKILON_LAUNCHER_TO_PROGRAMS /root/${CMAKE_INSTALL_BINDIR} /root/${programDir})
  list(JOIN NAKILON_PROGRAMS " " NAKILON_LAUNCHER_PROGRAMS)
  foreach(program ${NAKILON_PROGRAMS})
    set(NAKILON_LAUNCHER_PROGRAM ${program})
    configure_file(${packaging}/linux/launcher.in ${CMAKE_BINARY_DIR}/launchers/${program} @ONLY)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/launchers/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endforeach()
  if(TARGET nakilon)
    install(FILES ${packaging}/linux/nakilon.desktop
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
    install(FILES ${packaging}/nakilon.svg
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  endif()
endif()

set(CPACK_PACKAGE_NAME nakilon)
set(CPACK_PACKAGE_VENDOR Nakilon)
set(CPACK_PACKAGE_CONTACT "Nakilon <nakilon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Zaman kayıt terminallerinden hareketleri aktarır, personeli terminaller arasında taşır")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Nakilon)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Nakilon)
set(CPACK_STRIP_FILES ON)
# The values reach the installer script as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
if(WIN32)
  set(CPACK_GENERATOR NSIS)
  set(CPACK_PACKAGE_FILE_NAME Nakilon-${PROJECT_VERSION}-kurulum)
  # A 64-bit installer, like the programs it holds.
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "C:")
  set(CPACK_NSIS_DISPLAY_NAME Nakilon)
  set(CPACK_NSIS_PACKAGE_NAME Nakilon)
  # The program's icon on the installer, the uninstaller and in the list of
  # installed programs.
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/packaging/icons/nakilon.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/packaging/icons/nakilon.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME nakilon-aktar.exe)
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  if(TARGET nakilon)
    set(CPACK_PACKAGE_EXECUTABLES nakilon Nakilon)
  endif()
  # A transfer started by hand: the console stays open to show what it did.
  set(CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Nakilon Aktar.lnk" "$SYSDIR\cmd.exe" '/k "$INSTDIR\nakilon-aktar.exe"' "$INSTDIR\nakilon-aktar.exe" 0
]=])
  set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete "$SMPROGRAMS\$MUI_TEMP\Nakilon Aktar.lnk"
]=])
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, diffutils")
  if(TARGET nakilon)
    # qt6-translations-l10n: Qt's own texts in Turkish.
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
           ", libqt6core6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6widgets6 (>= 6.2), qt6-qpa-plugins,"
           " qt6-translations-l10n")
  endif()
endif()
include(CPack)
