// Proof that a project's own .res with our manifest merged in still links and works: this
// program carries fixtures/project.bundled.res merged with the manifest .res on the build
// machine. It must find Common Controls 6 bound, and the project's string, icon and version
// block where the project put them; it prints what it found and says PASS, with exit code
// 0, only when all hold.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "../fixtures/ProjectIds.h"

namespace {

bool Check(bool holds, const char* what) {
  std::printf("%s: %s\n", holds ? "ok" : "FAIL", what);
  return holds;
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

// The assembly that the process's activation context takes comctl32.dll from: its identity
// and its folder, both empty when no manifest redirects the DLL.
struct Assembly {
  std::wstring identity, folder;
};

Assembly ComctlAssembly() {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  if (!FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data))
    return {};
  Assembly assembly;
  SIZE_T size = 0;
  QueryActCtxW(0, data.hActCtx, &data.ulAssemblyRosterIndex,
               AssemblyDetailedInformationInActivationContext, nullptr, 0, &size);
  std::vector<char> buffer(size);
  auto* info = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
  if (size != 0 &&
      QueryActCtxW(0, data.hActCtx, &data.ulAssemblyRosterIndex,
                   AssemblyDetailedInformationInActivationContext, info, size, nullptr)) {
    if (info->lpAssemblyEncodedAssemblyIdentity)
      assembly.identity = info->lpAssemblyEncodedAssemblyIdentity;
    if (info->lpAssemblyDirectoryName)
      assembly.folder = info->lpAssemblyDirectoryName;
  }
  ReleaseActCtx(data.hActCtx);
  return assembly;
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

bool CommonControlsSix() {
  INITCOMMONCONTROLSEX init = {};
  init.dwSize = sizeof init;
  init.dwICC = ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&init);
  const HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  const std::wstring path = ModulePath(comctl);
  const Assembly assembly = ComctlAssembly();
  DLLVERSIONINFO version = {};
  version.cbSize = sizeof version;
  const auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  if (getVersion)
    getVersion(&version);
  // Wine's comctl32 answers 5.81 from either folder; the activation context tells them apart.
  std::printf("comctl32: %ls, DllGetVersion %lu.%lu\nredirected to: %ls\n", path.c_str(),
              version.dwMajorVersion, version.dwMinorVersion,
              assembly.identity.empty() ? L"(nothing)" : assembly.identity.c_str());
  bool holds = Check(assembly.identity.rfind(L"Microsoft.Windows.Common-Controls,", 0) == 0 &&
                         assembly.identity.find(L"version=\"6.") != std::wstring::npos,
                     "the activation context takes comctl32 from Common Controls 6");
  holds &= Check(!assembly.folder.empty() &&
                     Lower(path).find(Lower(assembly.folder)) != std::wstring::npos,
                 "the comctl32 loaded is the one of that assembly");
  return holds;
}

bool ProjectResources() {
  const HMODULE self = GetModuleHandleW(nullptr);
  char text[128] = "";
  LoadStringA(self, IDS_GREETING, text, sizeof text);
  std::printf("string %d: %s\n", IDS_GREETING, text);
  bool holds =
      Check(std::string(text) == PROJECT_GREETING, "LoadString finds the project's string");
  holds &= Check(LoadIconW(self, MAKEINTRESOURCEW(IDI_APP)) != nullptr, "LoadIcon finds its icon");

  const std::wstring path = ModulePath(nullptr);
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  VS_FIXEDFILEINFO* fixed = nullptr;
  wchar_t* description = nullptr;
  UINT size = 0;
  if (!block.empty() &&
      GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size);
    VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\FileDescription",
                   reinterpret_cast<void**>(&description), &size);
  }
  if (fixed)
    std::printf("version %u.%u.%u.%u, \"%ls\"\n", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS), description ? description : L"");
  holds &= Check(fixed && fixed->dwFileVersionMS == MAKELONG(PROJECT_MINOR, PROJECT_MAJOR) &&
                     fixed->dwFileVersionLS == MAKELONG(PROJECT_BUILD, 0) && description &&
                     std::wstring(description) == L"" PROJECT_DESCRIPTION,
                 "GetFileVersionInfo reads its version block");
  return holds;
}

} // namespace

int main() {
  const bool themed = CommonControlsSix();
  const bool kept = ProjectResources();
  if (!themed || !kept)
    return 1;
  std::printf("PASS: Common Controls 6 from the merged manifest, and the project's own string, "
              "icon and version block\n");
  return 0;
}
