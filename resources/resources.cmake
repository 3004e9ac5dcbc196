# The resources of navtrap.DLL (navtrap.rc): the registration scripts, the type library, the
# module name and the version. The type library is written through the platform's own writer
# by type_library_writer, run under Wine at build time; widl's library would carry copies of
# imported declarations.
if(NOT WIN32)
  return()
endif()
enable_language(RC)

add_executable(type_library_writer ${CMAKE_SOURCE_DIR}/resources/type_library_writer.cpp ${NAVTRAP_IDL_GUIDS})
target_include_directories(type_library_writer PRIVATE ${NAVTRAP_IDL_OUTPUT_DIR})
target_compile_options(type_library_writer PRIVATE -Wall -Wextra -municode)
target_link_options(type_library_writer PRIVATE -static -municode)
target_link_libraries(type_library_writer PRIVATE oleaut32 ole32 uuid)
add_dependencies(type_library_writer navtrap_idl)

set(NAVTRAP_TLB ${NAVTRAP_IDL_OUTPUT_DIR}/navtrap.tlb)
add_custom_command(
  OUTPUT ${NAVTRAP_TLB}
  COMMAND ${CMAKE_SOURCE_DIR}/resources/write-type-library ${CMAKE_BINARY_DIR}/wineprefix
          $<TARGET_FILE:type_library_writer> navtrap.tlb
  WORKING_DIRECTORY ${NAVTRAP_IDL_OUTPUT_DIR}
  DEPENDS type_library_writer ${CMAKE_SOURCE_DIR}/resources/write-type-library
  COMMENT "type library: navtrap.tlb, written under Wine"
  VERBATIM)
add_custom_target(navtrap_tlb DEPENDS ${NAVTRAP_TLB})

set(NAVTRAP_RC ${CMAKE_SOURCE_DIR}/resources/navtrap.rc)
set_source_files_properties(${NAVTRAP_RC} PROPERTIES OBJECT_DEPENDS
  "${NAVTRAP_TLB};${CMAKE_SOURCE_DIR}/resources/ie_catch.rgs;${CMAKE_SOURCE_DIR}/resources/ostrel_netscape.rgs;${CMAKE_SOURCE_DIR}/resources/ie_catch2.rgs;${CMAKE_SOURCE_DIR}/resources/ie_catch5.rgs")
list(APPEND NAVTRAP_MODULE_SOURCES ${NAVTRAP_RC})
