Attribute VB_Name = "modThemefold"
'If you don't use any Common Controls on your starup form
'use this code on the first form to initialize the Common Controls Library.
'Option Explicit
'Private hMod As Long ' Reference to library, we need it when the form unloads (to free it!)
'Private Sub Form_Initialize()
'    hMod = LoadLibrary("shell32.dll")
'End Sub
'Private Sub Form_Unload(Cancel As Integer)
'    FreeLibrary hMod
'End Sub

'--------------------------------------------------
Private Type tagInitCommonControlsEx
    lngSize As Long
    lngICC As Long
End Type
Private Declare Function InitCommonControlsEx Lib "comctl32.dll" (iccex As tagInitCommonControlsEx) As Boolean
Public Declare Function LoadLibrary Lib "kernel32" Alias "LoadLibraryA" (ByVal lpLibFileName As String) As Long
Public Declare Function FreeLibrary Lib "kernel32" (ByVal hLibModule As Long) As Long
Private Const ICC_USEREX_CLASSES = &H200
Public Function InitCommonControlsVB() As Boolean
    On Error Resume Next
    Dim iccex As tagInitCommonControlsEx
    ' Ensure CC available:
    With iccex
        .lngSize = LenB(iccex)
        .lngICC = ICC_USEREX_CLASSES
    End With
    InitCommonControlsEx iccex
    InitCommonControlsVB = (Err.Number = 0)
    On Error GoTo 0
End Function
