#pragma once
// The number of reasons the library must stay loaded: every live object, outside references
// to class factories (as one) and LockServer. DllCanUnloadNow answers from it.

void LockModule() noexcept;
void UnlockModule() noexcept;
long ModuleLockCount() noexcept;
