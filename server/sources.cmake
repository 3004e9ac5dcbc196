# The DLL's own files (entry points, module, class objects, registration).
list(APPEND NAVTRAP_MODULE_SOURCES
  ${CMAKE_SOURCE_DIR}/server/dll_main.cpp
)
