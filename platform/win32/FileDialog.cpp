// Win32 only: the common Open and Save dialogs, in the record's oldest published size.
#include <windows.h>

#include <commdlg.h>

#include "platform/Platform.h"
#include "platform/win32/FromInteger.h"

namespace platform {

bool RunFileDialog(FileDialogRecord& record) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = win32::FromInteger<HWND>(record.ownerWindow);
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = record.filterList.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(record.filterIndex);
  ofn.lpstrFile = record.fileBuffer.data();
  ofn.nMaxFile = static_cast<DWORD>(record.fileBuffer.size());
  ofn.lpstrFileTitle = record.fileTitleBuffer.data();
  ofn.nMaxFileTitle = static_cast<DWORD>(record.fileTitleBuffer.size());
  ofn.lpstrInitialDir = record.initialFolder.empty() ? nullptr : record.initialFolder.c_str();
  ofn.lpstrTitle = record.title.c_str();
  ofn.Flags = record.flags;
  const BOOL confirmed = record.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  record.filterIndex = static_cast<int>(ofn.nFilterIndex);
  return confirmed != 0;
}

} // namespace platform
