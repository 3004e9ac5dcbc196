#pragma once
// Each road prints one line per URL: "RESULT road=<road> url=<url> browser=<what it did>".
// 0 when the road could be set up, non-zero otherwise.
int RunBrowserRoad(int count, wchar_t** urls);
int RunProtocolRoad(int count, wchar_t** urls);
