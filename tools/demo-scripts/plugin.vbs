' A plug-in style caller in VBScript: hands lists of URLs to the manager through navtrap's
' scripting object, including the hidden methods. Argument: the site's base URL.
Dim base, nt, urls(1), answer
base = WScript.Arguments(0)
Set nt = CreateObject("Ostrel.Netscape")
urls(0) = base & "/files/archive.zip"
urls(1) = base & "/get?file=report.pdf"
nt.AddUrlList urls
WScript.Echo "RESULT road=vbscript call=AddUrlList(2) answer=S_OK"
answer = nt.AddUrlListEx(urls, "C:\Downloads", 1)
WScript.Echo "RESULT road=vbscript call=AddUrlListEx(2) answer=" & answer
answer = nt.AddUrlEx(base & "/files/setup.exe", "installer", base & "/", "C:\Downloads", 0)
WScript.Echo "RESULT road=vbscript call=AddUrlEx(setup.exe) answer=" & answer
WScript.Echo "SCRIPT-DONE"
