#include "server/object_map.h"

#include "browser/ie_catch.h"
#include "browser/ie_catch2.h"
#include "browser/ie_catch5.h"
#include "browser/ostrel_netscape.h"
#include "navtrap_idl.h"

namespace {

// The order is the order of registration and unregistration.
ObjectMapRow g_objectMap[] = {
    {&CLSID_IeCatch, 101, CreateIeCatch, nullptr},
    {&CLSID_OstrelNetscape, 102, CreateOstrelNetscape, nullptr},
    {&CLSID_IeCatch2, 103, CreateIeCatch2, nullptr},
    {&CLSID_IeCatch5, 104, CreateIeCatch5, nullptr},
    {nullptr, 0, nullptr, nullptr},
};

}  // namespace

ObjectMapRow* NavtrapObjectMap() noexcept { return g_objectMap; }
