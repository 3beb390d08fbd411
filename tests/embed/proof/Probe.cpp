// The probe a manifest is embedded into. It prints where its comctl32.dll comes from (the
// activation context's assembly and the loaded file; Wine's DllGetVersion answers 5.81
// either way), then what an installer would find after its last section, read from its own
// file at the end its section table gives. With a library's path as argument, it loads the
// library and prints whether the loader relocated it correctly and found its resources.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>
#include <cstdio>
#include <vector>

namespace {

void CommonControls() {
  INITCOMMONCONTROLSEX icc = {};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&icc);
  HMODULE comctl = GetModuleHandleA("comctl32.dll");
  char path[MAX_PATH] = "";
  GetModuleFileNameA(comctl, path, MAX_PATH);
  DLLVERSIONINFO version = {};
  version.cbSize = sizeof version;
  const auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  if (getVersion)
    getVersion(&version);
  std::printf("comctl32 %s, version %lu.%lu\n", path, version.dwMajorVersion,
              version.dwMinorVersion);

  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  wchar_t identity[512] = L"(none)";
  if (FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                               ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                               &data)) {
    SIZE_T size = 0;
    QueryActCtxW(0, data.hActCtx, &data.ulAssemblyRosterIndex,
                 AssemblyDetailedInformationInActivationContext, nullptr, 0, &size);
    std::vector<char> buffer(size + 1);
    auto* info = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    if (size &&
        QueryActCtxW(0, data.hActCtx, &data.ulAssemblyRosterIndex,
                     AssemblyDetailedInformationInActivationContext, info, size, nullptr) &&
        info->lpAssemblyEncodedAssemblyIdentity)
      lstrcpynW(identity, info->lpAssemblyEncodedAssemblyIdentity, 512);
    ReleaseActCtx(data.hActCtx);
  }
  std::printf("context %ls\n", identity);
}

// The data after the last section, as a self-extractor finds it: from the end of the
// section whose raw data ends last, to the end of the file.
void Overlay() {
  const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  DWORD end = 0;
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
    if (section[i].PointerToRawData + section[i].SizeOfRawData > end)
      end = section[i].PointerToRawData + section[i].SizeOfRawData;
  char path[MAX_PATH] = "", tail[256] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::FILE* file = std::fopen(path, "rb");
  size_t count = 0;
  if (file && std::fseek(file, static_cast<long>(end), SEEK_SET) == 0)
    count = std::fread(tail, 1, sizeof tail - 1, file);
  if (file)
    std::fclose(file);
  tail[count] = '\0';
  std::printf("overlay %u bytes: %s\n", static_cast<unsigned>(count), tail);
}

// The image base the library's file asks for, from its optional header on disk.
unsigned long long PreferredBase(const char* path) {
  BYTE headers[1024] = {0};
  std::FILE* file = std::fopen(path, "rb");
  if (!file)
    return 0;
  std::fread(headers, 1, sizeof headers, file);
  std::fclose(file);
  const BYTE* optional = headers + reinterpret_cast<const IMAGE_DOS_HEADER*>(headers)->e_lfanew +
                         4 + sizeof(IMAGE_FILE_HEADER);
  if (reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(optional)->Magic ==
      IMAGE_NT_OPTIONAL_HDR64_MAGIC)
    return reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(optional)->ImageBase;
  return reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(optional)->ImageBase;
}

void Library(const char* path) {
  HMODULE library = LoadLibraryA(path);
  if (!library) {
    std::printf("library not loaded, error %lu\n", GetLastError());
    return;
  }
  using Check = int(__cdecl*)();
  const auto pointerHolds =
      reinterpret_cast<Check>(reinterpret_cast<void*>(GetProcAddress(library, "PointerHolds")));
  const unsigned long long at = reinterpret_cast<ULONG_PTR>(library);
  const unsigned long long preferred = PreferredBase(path);
  std::printf("library at 0x%llx, preferred 0x%llx: %s\n", at, preferred,
              at == preferred ? "not moved" : "moved");
  std::printf("relocated pointer %s\n", pointerHolds && pointerHolds() ? "holds" : "wrong");
  char text[64] = "";
  LoadStringA(library, 1, text, sizeof text);
  std::printf("library string: %s\n", text);
  const HRSRC data = FindResourceA(library, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(10));
  const DWORD size = data ? SizeofResource(library, data) : 0;
  const auto* bytes =
      static_cast<const char*>(data ? LockResource(LoadResource(library, data)) : "");
  std::printf("library data: %lu bytes, ending %.3s\n", size, size >= 3 ? bytes + size - 3 : "");
  HRSRC manifest = FindResourceA(library, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(24));
  std::printf("library manifest 2: %lu bytes\n",
              manifest ? SizeofResource(library, manifest) : 0UL);
}

} // namespace

int main(int argc, char** argv) {
  CommonControls();
  Overlay();
  if (argc > 1)
    Library(argv[1]);
  return 0;
}
