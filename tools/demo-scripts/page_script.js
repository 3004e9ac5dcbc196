// A page script using navtrap's scripting object by its ProgID, as a web page or a plug-in of
// another browser would. Arguments: the site's base URL.
var base = WScript.Arguments(0);
var nt = new ActiveXObject("Ostrel.Netscape");
function say(what, value) { WScript.Echo("RESULT road=jscript call=" + what + " answer=" + value); }
say("Initialize(archive.zip)", nt.Initialize("http", base + "/files/archive.zip"));
say("Initialize(page.html)", nt.Initialize("http", base + "/docs/page.html"));
nt.AddUrl(base + "/files/setup.exe", "the installer", base + "/");
say("AddUrl(setup.exe)", "S_OK");
say("IsUrlExist(archive.zip)", nt.IsUrlExist(base + "/files/archive.zip"));
say("IsUrlExist(nothing.zip)", nt.isurlexist(base + "/files/nothing.zip"));
WScript.Echo("SCRIPT-DONE");
