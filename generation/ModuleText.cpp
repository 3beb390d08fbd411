#include "generation/ModuleText.h"

// Literals, so that the template and the texts beside it share them at compile time.
#define THEMEFOLD_MODULE_NAME "modThemefold"
#define THEMEFOLD_INIT_ERROR "MsgBox \"Initialization error!\", vbCritical"
#define THEMEFOLD_SHOW_FORM "'frmMain.Show (etc..)"

namespace generation {

// The program's own start-up (InitCommonControlsVB) follows the same code.
const char* const kModuleText =
    "Attribute VB_Name = \"" THEMEFOLD_MODULE_NAME "\"\r\n"
    "'If you don't use any Common Controls on your starup form\r\n"
    "'use this code on the first form to initialize the Common Controls Library.\r\n"
    "'Option Explicit\r\n"
    "'Private hMod As Long ' Reference to library, we need it when the form unloads (to free it!)\r\n"
    "'Private Sub Form_Initialize()\r\n"
    "'    hMod = LoadLibrary(\"shell32.dll\")\r\n"
    "'End Sub\r\n"
    "'Private Sub Form_Unload(Cancel As Integer)\r\n"
    "'    FreeLibrary hMod\r\n"
    "'End Sub\r\n"
    "\r\n"
    "'--------------------------------------------------\r\n"
    "Private Type tagInitCommonControlsEx\r\n"
    "    lngSize As Long\r\n"
    "    lngICC As Long\r\n"
    "End Type\r\n"
    "Private Declare Function InitCommonControlsEx Lib \"comctl32.dll\" (iccex As tagInitCommonControlsEx) As Boolean\r\n"
    "Public Declare Function LoadLibrary Lib \"kernel32\" Alias \"LoadLibraryA\" (ByVal lpLibFileName As String) As Long\r\n"
    "Public Declare Function FreeLibrary Lib \"kernel32\" (ByVal hLibModule As Long) As Long\r\n"
    "Private Const ICC_USEREX_CLASSES = &H200\r\n"
    "Public Function InitCommonControlsVB() As Boolean\r\n"
    "    On Error Resume Next\r\n"
    "    Dim iccex As tagInitCommonControlsEx\r\n"
    "    ' Ensure CC available:\r\n"
    "    With iccex\r\n"
    "        .lngSize = LenB(iccex)\r\n"
    "        .lngICC = ICC_USEREX_CLASSES\r\n"
    "    End With\r\n"
    "    InitCommonControlsEx iccex\r\n"
    "    InitCommonControlsVB = (Err.Number = 0)\r\n"
    "    On Error GoTo 0\r\n"
    "End Function\r\n"
    "Sub Main()\r\n"
    "\r\n"
    "    If InitCommonControlsVB Then\r\n"
    "        'Start your form or code here!\r\n"
    "        " THEMEFOLD_SHOW_FORM "\r\n"
    "    Else\r\n"
    "        " THEMEFOLD_INIT_ERROR "\r\n"
    "        End\r\n"
    "    End If\r\n"
    "        \r\n"
    "\r\n"
    "End Sub";

const char* const kModuleName = THEMEFOLD_MODULE_NAME;
const char* const kModuleFileName = THEMEFOLD_MODULE_NAME ".bas";

const char* const kStartupCheck = "If Not InitCommonControlsVB Then " THEMEFOLD_INIT_ERROR ": End";

const char* const kShowFormPlaceholder = THEMEFOLD_SHOW_FORM;

std::string ShowForm(const std::string& form) { return form + ".Show"; }

std::string ModuleTextShowing(const std::string& form) {
  static const std::string kPlaceholder = THEMEFOLD_SHOW_FORM;
  std::string text = kModuleText;
  return text.replace(text.find(kPlaceholder), kPlaceholder.size(), ShowForm(form));
}

std::string ModuleTextWithoutMain() {
  static const std::string kLast = "End Function";
  const std::string text = kModuleText;
  return text.substr(0, text.find(kLast) + kLast.size());
}

} // namespace generation
