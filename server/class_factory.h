#pragma once
// The class object of every class. Its first reference belongs to the object map and does not
// keep the library loaded; all outside references together hold one module lock.
#include <windows.h>
#include <ole2.h>

#include "server/object_map.h"

// A new factory for `creator`, holding one reference: the object map's.
HRESULT CreateClassFactory(InstanceCreator creator, IUnknown** factory) noexcept;
