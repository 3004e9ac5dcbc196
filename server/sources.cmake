# The server shell. The registration-script reader is platform-free and builds natively too.
# The core library gets what tests link directly (module state, class factories, IDispatch
# from the type library, the registrar against the real registry); the DLL gets its entry
# points and its object map.
list(APPEND NAVTRAP_PORTABLE_SOURCES
  server/script_placeholders.cpp
  server/registry_script_reader.cpp
)
list(APPEND NAVTRAP_WINDOWS_SOURCES
  server/module_lock.cpp
  server/module_state.cpp
  server/class_factory.cpp
  server/class_objects.cpp
  server/dispatch_type_info.cpp
  server/module_path.cpp
  server/registry_script_executor.cpp
  server/registration_script.cpp
  server/type_library_registration.cpp
  server/register_server.cpp
)
list(APPEND NAVTRAP_MODULE_SOURCES
  ${CMAKE_SOURCE_DIR}/server/dll_main.cpp
  ${CMAKE_SOURCE_DIR}/server/object_map.cpp
)
