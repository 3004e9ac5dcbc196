# The module lock is in the core library so tests can read it; the DLL's own files (entry
# points, class objects, registration) go to NAVTRAP_MODULE_SOURCES.
list(APPEND NAVTRAP_WINDOWS_SOURCES
  server/module_lock.cpp
)
list(APPEND NAVTRAP_MODULE_SOURCES
  ${CMAKE_SOURCE_DIR}/server/dll_main.cpp
)
