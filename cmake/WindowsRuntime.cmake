# What a Windows program of this project needs beside it: the compiler's C++
# runtime DLLs and, for the windows, Qt's libraries, plugins and Turkish texts.
# The build puts them in the programs' folder (bin/), so that the programs and
# the tests run from the build tree under Wine; Packaging.cmake installs the
# same files beside the installed programs (windeployqt's job, which is not at
# hand on a Linux machine).
#
# Sets NAKILON_WINDOWS_RUNTIME_DLLS (the stripped runtime DLLs) and, with the
# windows, NAKILON_QT_DLLS (targets), NAKILON_QT_PLUGIN_INSTALLS ("file|subfolder"
# items), NAKILON_QT_TRANSLATION and the target nakilon_windows_runtime.
if(NOT (WIN32 AND MINGW))
  return()
endif()

set(runtimeDir ${CMAKE_BINARY_DIR}/windows-runtime)
file(MAKE_DIRECTORY ${runtimeDir})
find_program(NAKILON_MINGW_STRIP NAMES ${CMAKE_CXX_COMPILER_TARGET}-strip x86_64-w64-mingw32-strip
             REQUIRED)
set(NAKILON_WINDOWS_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE source OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${source}" OR NOT EXISTS "${source}")
    message(FATAL_ERROR "The compiler's runtime DLL ${dll} was not found (${CMAKE_CXX_COMPILER}).")
  endif()
  # Stripped, libstdc++ shrinks from 24 MB to 2 MB; the symbols serve no one
  # who runs the program.
  if(NOT EXISTS ${runtimeDir}/${dll} OR ${source} IS_NEWER_THAN ${runtimeDir}/${dll})
    execute_process(COMMAND ${NAKILON_MINGW_STRIP} --strip-unneeded -o ${runtimeDir}/${dll} ${source}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  list(APPEND NAKILON_WINDOWS_RUNTIME_DLLS ${runtimeDir}/${dll})
endforeach()
file(COPY ${NAKILON_WINDOWS_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

if(NOT TARGET Qt6::Widgets)
  return()
endif()
# Qt finds its plugins in these subfolders of the program's folder.
set(NAKILON_QT_DLLS Qt6::Core Qt6::Gui Qt6::Widgets)
# (The icons are PNG, which QtGui reads itself.)
set(NAKILON_QT_PLUGINS platforms Qt6::QWindowsIntegrationPlugin styles Qt6::QWindowsVistaStylePlugin)
# The window tests run on the offscreen platform, and need QtTest.
set(testDlls Qt6::Test)
set(testPlugins platforms Qt6::QOffscreenIntegrationPlugin platforms Qt6::QMinimalIntegrationPlugin)
# Qt's own texts in Turkish: Debian's qt6-translations-l10n of the same Qt
# version (the file holds no code, so the Linux one serves).
find_file(NAKILON_QT_TRANSLATION qtbase_tr.qm PATHS /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

# Each plugin goes to the subfolder named before it.
function(nakilon_qt_plugin_steps pairs destination outCopies outInstalls)
  set(copies)
  set(installs)
  while(pairs)
    list(POP_FRONT pairs folder plugin)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${destination}/${folder}
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
                               ${destination}/${folder}/)
    list(APPEND installs "$<TARGET_FILE:${plugin}>|${folder}")
  endwhile()
  set(${outCopies} ${copies} PARENT_SCOPE)
  set(${outInstalls} ${installs} PARENT_SCOPE)
endfunction()

set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
nakilon_qt_plugin_steps("${NAKILON_QT_PLUGINS};${testPlugins}" ${bin} copies unused)
nakilon_qt_plugin_steps("${NAKILON_QT_PLUGINS}" ${bin} unused NAKILON_QT_PLUGIN_INSTALLS)
foreach(dll IN LISTS NAKILON_QT_DLLS testDlls)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${dll}> ${bin}/)
endforeach()
if(NAKILON_QT_TRANSLATION)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/translations
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different ${NAKILON_QT_TRANSLATION}
                             ${bin}/translations/)
endif()
add_custom_target(nakilon_windows_runtime ALL ${copies} VERBATIM)
