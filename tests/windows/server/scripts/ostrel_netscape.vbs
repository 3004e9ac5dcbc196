' Drives Ostrel.Netscape as a page script does, by its ProgID, one line per call. cscript
' ends with exit code 0 even after an uncaught error, so the last line is the sentinel.
Set manager = CreateObject("Ostrel.Netscape")
WScript.Echo "Initialize " & manager.Initialize("http", "http://host/vbs/file.zip")
manager.AddUrl "http://host/vbs/add.zip", "vbs info", "http://host/vbs/page.html"
WScript.Echo "AddUrl done"
WScript.Echo "IsUrlExist " & manager.IsUrlExist("http://known/vbs.zip")
WScript.Echo "ADDURLEX " & manager.ADDURLEX("http://host/vbs/ex.zip", "ex info", "http://host/vbs/ex.html", "C:\Downloads", 7)

' A fixed-size array arrives by reference: VT_BYREF | VT_ARRAY | VT_VARIANT.
Dim urls(2)
urls(0) = "http://host/vbs/1.zip"
urls(1) = ""
urls(2) = "http://host/vbs/3.zip"
manager.AddUrlList urls
WScript.Echo "AddUrlList done"
WScript.Echo "AddUrlListEx " & manager.AddUrlListEx(urls, "C:\Downloads", 3)

' VBScript shows an error of its own facility (0x800A0005) by its code alone: 5.
On Error Resume Next
manager.AddUrlList Array("http://host/vbs/by-value.zip")
WScript.Echo "AddUrlList by value error " & Hex(Err.Number)
Err.Clear
manager.IsUrlExist "http://host/vbs/failing.zip"
WScript.Echo "IsUrlExist error " & Hex(Err.Number)
Err.Clear
On Error GoTo 0
WScript.Echo "NAVTRAP SCRIPT END"
