# The window program carries its manifest: per-monitor DPI awareness (so
# Windows does not blur it on a scaled monitor) and the common controls 6.
#
#   cmake -DPROGRAM=nakilon.exe -P ManifestInProgram.cmake
file(STRINGS "${PROGRAM}" found REGEX "PerMonitorV2, PerMonitor|Microsoft.Windows.Common-Controls")
if(NOT found MATCHES "PerMonitorV2, PerMonitor" OR NOT found MATCHES "Common-Controls")
  message(FATAL_ERROR "${PROGRAM} holds no manifest with per-monitor DPI awareness and "
                      "the common controls (found: ${found})")
endif()
