#pragma once
// Serving class objects from an object map: made on first request, cached in the row, handed
// out with a reference for the caller, released at unload.
#include <windows.h>
#include <ole2.h>

#include "server/object_map.h"

HRESULT GetClassObjectFromMap(ObjectMapRow* map, REFCLSID clsid, REFIID riid, void** object) noexcept;
// Gives back the map's reference of every cached class object and empties the slots.
void ReleaseClassObjects(ObjectMapRow* map) noexcept;
