' A first script for the editor.
Option Explicit

Dim message
message = "Hello from the Kestrin script editor"
MsgBox message
