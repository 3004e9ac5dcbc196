// Drives Ostrel.Netscape as a page script does, by its ProgID, one line per call. cscript
// ends with exit code 0 even after an uncaught error, so the last line is the sentinel.
function hex(number) { return (number >>> 0).toString(16); }

var manager = new ActiveXObject("Ostrel.Netscape");
WScript.Echo("Initialize " + manager.Initialize("http", "http://host/js/file.zip"));
manager.AddUrl("http://host/js/add.zip", "js info", "http://host/js/page.html");
WScript.Echo("AddUrl done");
WScript.Echo("IsUrlExist " + manager.IsUrlExist("http://known/js.zip"));
WScript.Echo("isURLexist " + manager.isURLexist("http://host/js/new.zip"));
WScript.Echo("AddUrlEx " + manager.AddUrlEx("http://host/js/ex.zip", "ex info", "http://host/js/ex.html", "C:\\Downloads", 7));
// A JScript array arrives as an object, not as a list: refused before anything is sent.
try {
  manager.AddUrlListEx(["http://host/js/1.zip"], "C:\\Downloads", 1);
  WScript.Echo("AddUrlListEx accepted");
} catch (e) {
  WScript.Echo("AddUrlListEx error " + hex(e.number));
}
try {
  manager.addurllist(["http://host/js/1.zip"]);
  WScript.Echo("AddUrlList accepted");
} catch (e) {
  WScript.Echo("AddUrlList error " + hex(e.number));
}
try {
  manager.IsUrlExist("http://host/js/failing.zip");
  WScript.Echo("IsUrlExist accepted");
} catch (e) {
  WScript.Echo("IsUrlExist error " + hex(e.number));
}
WScript.Echo("NAVTRAP SCRIPT END");
