# The load benchmark: navtrap.dll against a trivial in-process server built with the same flags.
# Its operator new sits on malloc, as navtrap's does.
add_library(trivial_server SHARED trivial_server.cpp trivial_server.def ${CMAKE_SOURCE_DIR}/common/allocation.cpp)
set_target_properties(trivial_server PROPERTIES PREFIX "")
target_compile_options(trivial_server PRIVATE ${NAVTRAP_PRODUCT_FLAGS})
target_link_libraries(trivial_server PRIVATE ole32 uuid)
target_link_options(trivial_server PRIVATE -static -s -Wl,--gc-sections -Wl,--enable-stdcall-fixup)

add_executable(load_bench load_bench.cpp)
target_compile_options(load_bench PRIVATE ${NAVTRAP_WARNINGS} -O2)
target_link_libraries(load_bench PRIVATE navtrap_core)
target_link_options(load_bench PRIVATE -static)
add_dependencies(load_bench navtrap trivial_server)
