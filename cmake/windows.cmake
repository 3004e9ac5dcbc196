# navtrap.dll, the Windows tests and the tools, cross-compiled; CTest runs them under Wine.

set(NAVTRAP_WARNINGS -Wall -Wextra)
# The DLL loads into every browser window: no exception runtime, no RTTI, no unwind tables
# (nothing unwinds without exceptions; they cost 16 KB), nothing unused.
set(NAVTRAP_PRODUCT_FLAGS ${NAVTRAP_WARNINGS} -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections)

set(NAVTRAP_WINDOWS_SOURCES
  screening/settings_key.cpp
  screening/monitor_settings.cpp
  screening/screen_url_windows.cpp
)
# Each product folder lists its own files: sources.cmake appends to NAVTRAP_PORTABLE_SOURCES,
# NAVTRAP_WINDOWS_SOURCES (the core library) and NAVTRAP_MODULE_SOURCES (the DLL's own files).
set(NAVTRAP_MODULE_SOURCES)
foreach(folder handoff browser server resources)
  include(${CMAKE_SOURCE_DIR}/${folder}/sources.cmake OPTIONAL)
endforeach()

# Everything of the product but the module's entry points, so tests link the same code.
add_library(navtrap_core STATIC ${NAVTRAP_PORTABLE_SOURCES} ${NAVTRAP_WINDOWS_SOURCES})
target_include_directories(navtrap_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(navtrap_core PRIVATE ${NAVTRAP_PRODUCT_FLAGS})
target_compile_definitions(navtrap_core PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(navtrap_core PUBLIC user32 advapi32 ole32 oleaut32 uuid)

add_library(navtrap SHARED
  ${NAVTRAP_MODULE_SOURCES}
  common/allocation.cpp
  server/navtrap.def
)
set_target_properties(navtrap PROPERTIES PREFIX "" OUTPUT_NAME navtrap)
target_compile_options(navtrap PRIVATE ${NAVTRAP_PRODUCT_FLAGS})
target_link_libraries(navtrap PRIVATE navtrap_core)
target_link_options(navtrap PRIVATE -static -s -Wl,--gc-sections -Wl,--enable-stdcall-fixup)

# Test executables are static too, so Wine needs no MinGW runtime DLLs beside them.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(tests/windows)
add_subdirectory(tools)

# Benchmarks that need Windows, run by hand under Wine (not CTest tests).
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/windows/CMakeLists.txt)
  add_subdirectory(bench/windows)
endif()
