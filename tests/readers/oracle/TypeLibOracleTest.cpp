// The oracle: oleaut32 (Wine's, under Wine) loads the same type libraries with
// LoadTypeLibEx and lists the same facts through ITypeLib and ITypeInfo. Our reader must
// agree on every line, for Wine's own components and for the libraries widl built here.
#include <gtest/gtest.h>

#include <windows.h>

#include <oleauto.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "readers/Bytes.h"
#include "readers/Fixtures.h"
#include "readers/TypeLib.h"

namespace {

std::string Utf8(const wchar_t* text) {
  if (!text)
    return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size - 1 : 0, '\0');
  if (size > 1)
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring Wide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
  if (size > 1)
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
  return wide;
}

std::string GuidText(const GUID& guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return Utf8(text);
}

std::string Name(ITypeInfo* info) {
  BSTR name = nullptr;
  if (FAILED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)))
    return "(no name)";
  std::string text = Utf8(name);
  SysFreeString(name);
  return text;
}

readers::InterfaceKind Kind(const TYPEATTR& attr) {
  if (attr.wTypeFlags & TYPEFLAG_FDUAL)
    return readers::InterfaceKind::Dual;
  if (attr.typekind == TKIND_DISPATCH)
    return readers::InterfaceKind::Dispatch;
  if (attr.wTypeFlags & TYPEFLAG_FOLEAUTOMATION)
    return readers::InterfaceKind::OleAutomation;
  return readers::InterfaceKind::Custom;
}

/// The facts as oleaut32 reports them; a failure to load gives an empty name.
readers::TypeLibrary FromOleAut(const std::string& path, HRESULT& result) {
  readers::TypeLibrary library;
  ITypeLib* lib = nullptr;
  result = LoadTypeLibEx(Wide(path).c_str(), REGKIND_NONE, &lib);
  if (FAILED(result))
    return library;
  TLIBATTR* attr = nullptr;
  lib->GetLibAttr(&attr);
  library.guid = GuidText(attr->guid);
  library.lcid = attr->lcid;
  library.syskind = attr->syskind;
  library.major = attr->wMajorVerNum;
  library.minor = attr->wMinorVerNum;
  library.flags = attr->wLibFlags;
  const GUID libraryGuid = attr->guid;
  lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr;
  lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
  library.name = Utf8(name);
  SysFreeString(name);

  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ITypeInfo* info = nullptr;
    if (FAILED(lib->GetTypeInfo(i, &info)))
      continue;
    TYPEATTR* type = nullptr;
    info->GetTypeAttr(&type);
    if (type->typekind == TKIND_INTERFACE || type->typekind == TKIND_DISPATCH) {
      library.interfaces.push_back(
          {GuidText(type->guid), Name(info), Kind(*type), type->wTypeFlags});
    } else if (type->typekind == TKIND_COCLASS) {
      readers::TypeLibClass coclass{GuidText(type->guid), Name(info), type->wTypeFlags, {}};
      for (UINT k = 0; k < type->cImplTypes; ++k) {
        readers::ImplementedInterface implemented;
        HREFTYPE href = 0;
        INT flags = 0;
        info->GetRefTypeOfImplType(k, &href);
        info->GetImplTypeFlags(k, &flags);
        implemented.implFlags = flags;
        ITypeInfo* target = nullptr;
        if (SUCCEEDED(info->GetRefTypeInfo(href, &target))) {
          TYPEATTR* targetAttr = nullptr;
          target->GetTypeAttr(&targetAttr);
          implemented.iid = GuidText(targetAttr->guid);
          target->ReleaseTypeAttr(targetAttr);
          implemented.name = Name(target);
          ITypeLib* container = nullptr;
          UINT index = 0;
          if (SUCCEEDED(target->GetContainingTypeLib(&container, &index))) {
            TLIBATTR* containerAttr = nullptr;
            container->GetLibAttr(&containerAttr);
            implemented.external = !IsEqualGUID(containerAttr->guid, libraryGuid);
            container->ReleaseTLibAttr(containerAttr);
            container->Release();
          }
          target->Release();
        }
        coclass.interfaces.push_back(implemented);
      }
      library.classes.push_back(coclass);
    }
    info->ReleaseTypeAttr(type);
    info->Release();
  }
  lib->Release();
  return library;
}

const char* const kWineFolder = "Z:/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

void ExpectAgreement(const std::string& path, bool mustLoad) {
  SCOPED_TRACE(path);
  HRESULT loaded = S_OK;
  const readers::TypeLibrary oracle = FromOleAut(path, loaded);
  std::string ours;
  try {
    ours = readers::Listing(readers::ReadTypeLibFile(path));
  } catch (const readers::FormatError& error) {
    ours = error.what();
  }
  if (FAILED(loaded)) {
    EXPECT_FALSE(mustLoad) << "LoadTypeLibEx failed: " << std::hex << loaded;
    // What oleaut32 cannot load, we must refuse too, with a message that names the file.
    EXPECT_EQ(ours.compare(0, path.size() + 2, path + ": "), 0) << ours;
    return;
  }
  EXPECT_EQ(ours, readers::Listing(oracle));
}

} // namespace

TEST(TypeLibOracleTest, AgreesOnWineComponents) {
  const char* const named[] = {"msscript.ocx", "wshom.ocx",    "hhctrl.ocx",   "mshtml.tlb",
                               "stdole2.tlb",  "stdole32.tlb", "activeds.tlb", "dhtmled.ocx"};
  for (const char* name : named)
    ExpectAgreement(std::string(kWineFolder) + "/" + name, true);
  // Every other file of the folder: where either reader finds a type library, both agree.
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kWineFolder)) {
    const std::string path = entry.path().generic_string();
    bool ours = true;
    try {
      readers::ReadTypeLibFile(path);
    } catch (const readers::FormatError&) {
      ours = false;
    }
    HRESULT loaded = S_OK;
    FromOleAut(path, loaded);
    if (ours || SUCCEEDED(loaded)) {
      ExpectAgreement(path, false);
      ++checked;
    }
  }
  EXPECT_GT(checked, 40);
  std::cout << "type libraries compared: " << checked << "\n";
}

TEST(TypeLibOracleTest, AgreesOnLibrariesBuiltHere) {
  for (const char* name : {"Widget.tlb", "Widget32.tlb", "Flags.tlb", "Widget64.dll",
                           "Widget64.dll\\2", "Widget32.ocx"})
    ExpectAgreement(testsupport::Fixture(name), true);
}
