// main() of every Windows test program: unbuffered output (a crash must not lose it) and a
// crash that always fails the run, since Wine sometimes exits 0 after an unhandled exception.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {
LONG WINAPI FailOnCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "Unhandled exception 0x%08lx at %p\n", info->ExceptionRecord->ExceptionCode,
               info->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  ::TerminateProcess(::GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  ::SetUnhandledExceptionFilter(FailOnCrash);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
