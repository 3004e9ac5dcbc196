// The DLL's operator new and delete sit on the C heap and return null when memory runs out,
// so no allocation pulls in the exception runtime and no failure can unwind into a host.
#include <cstdlib>
#include <new>

void* operator new(size_t size) { return std::malloc(size != 0 ? size : 1); }
void* operator new[](size_t size) { return std::malloc(size != 0 ? size : 1); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
