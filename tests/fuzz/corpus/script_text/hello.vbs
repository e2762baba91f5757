' a comment
Dim a, b
a = "text" & 12 + 3.5
If a <> b Then MsgBox(a) End If
Sub Main()
    Call Foo (1, 2)
End Sub
