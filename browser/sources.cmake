# The COM objects through which hosts reach the system: the protocol handler, the browser
# helper objects and the scripting object, with the conversions they share.
list(APPEND NAVTRAP_WINDOWS_SOURCES
  browser/wide_to_ansi.cpp
  browser/request_url.cpp
  browser/bstr_list_view.cpp
  browser/ansi_string_list.cpp
  browser/ie_catch.cpp
  browser/ie_catch2.cpp
  browser/ie_catch5.cpp
  browser/ostrel_netscape.cpp
  # IObjectSafety of the scripting object; it lives with the other object-side pieces in server/.
  server/object_safety.cpp
)
