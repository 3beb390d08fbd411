// A program shaped as Visual Basic builds one, as far as the readers look: it imports
// MSVBVM60.DLL, its entry pushes the address of its VB header and calls the runtime's entry,
// and the header's external component table names calc.dll with Calc's class id. The
// runtime here (VbRuntimeStandIn.cpp) returns at once; the probe then runs CalcClient.cpp's
// main, linked in, so a manifest that themefold-batch --com-used embedded can be seen to
// reach the unregistered server.
#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <cstdint>

#include "com/CalcIds.h"

extern "C" __declspec(dllimport) void ThunRTMain(const void* vbHeader);
extern "C" int mainCRTStartup();

namespace probe {

// The VB header and the tables it leads to, at the offsets the readers take them from. Every
// address is a virtual address the linker fills in.
#pragma pack(push, 1)
struct ObjectDescriptor { // 0x30 bytes
  std::uint8_t before[0x18];
  const char* name;
  std::uint8_t between[0x0C];
  std::uint32_t typeFlags;
  std::uint32_t after;
};
struct ObjectTable {
  std::uint8_t before[0x2A];
  std::uint16_t objectCount;
  std::uint8_t between[0x04];
  const ObjectDescriptor* objects;
  std::uint8_t between2[0x0C];
  const char* projectName;
  std::uint8_t after[0x10];
};
struct ProjectData {
  std::uint32_t version;
  const ObjectTable* objectTable;
  std::uint8_t between[0x234 - 0x08];
  const void* externalTable;
  std::uint32_t externalCount;
};
struct ComponentEntry { // the offsets count from the entry's start
  std::uint32_t size;
  std::uint32_t classIdOffset;
  std::uint8_t unread[0x14];
  std::uint32_t typeLibIdOffset; // UTF-16 text
  std::uint32_t typeLibIdBytes;
  std::uint32_t unread2;
  std::uint32_t fileNameOffset;
  std::uint32_t libraryOffset;
  std::uint32_t controlOffset;
  GUID classId;
  char16_t typeLibId[39];
  char fileName[9];
  char library[17];
  char control[5];
};
struct Strings {
  char description[1];
  char exeName[9];
  char helpFile[1];
  char projectName[9];
};
struct VbHeader { // 0x68 bytes, then the strings it names by offset
  char magic[4];
  std::uint16_t runtimeBuild;
  char languageDll[14];
  char secondLanguageDll[14];
  std::uint16_t runtimeRevision;
  std::uint32_t lcid;
  std::uint32_t secondLcid;
  const void* subMain;
  const ProjectData* projectData;
  std::uint32_t intrinsicControls;
  std::uint32_t intrinsicControls2;
  std::uint32_t threadFlags;
  std::uint32_t threadCount;
  std::uint16_t formCount;
  std::uint16_t componentCount;
  std::uint32_t thunkCount;
  const void* guiTable;
  const ComponentEntry* components;
  const void* comRegisterData;
  std::uint32_t descriptionOffset;
  std::uint32_t exeNameOffset;
  std::uint32_t helpFileOffset;
  std::uint32_t projectNameOffset;
  Strings strings;
};
#pragma pack(pop)
static_assert(sizeof(ObjectDescriptor) == 0x30);
static_assert(offsetof(ObjectTable, objects) == 0x30 && sizeof(ObjectTable) == 0x54);
static_assert(offsetof(ProjectData, externalTable) == 0x234);
static_assert(offsetof(VbHeader, descriptionOffset) == 0x58);
static_assert(offsetof(VbHeader, strings) == 0x68);
static_assert(offsetof(ComponentEntry, controlOffset) == 0x30);

} // namespace probe

namespace {

using namespace probe;

void SubMain() {}

const char kModuleName[] = "MProbe";
// A standard module.
const ObjectDescriptor kObjects[] = {{{}, kModuleName, {}, 0x18001, 0}};
const ObjectTable kObjectTable = {{}, 1, {}, kObjects, {}, "VbProbe", {}};
const ProjectData kProjectData = {0x1F4, &kObjectTable, {}, nullptr, 0};
const ComponentEntry kCalc = {sizeof(ComponentEntry),
                              offsetof(ComponentEntry, classId),
                              {},
                              offsetof(ComponentEntry, typeLibId),
                              38 * sizeof(char16_t),
                              0,
                              offsetof(ComponentEntry, fileName),
                              offsetof(ComponentEntry, library),
                              offsetof(ComponentEntry, control),
                              CLSID_Calc,
                              u"{6B1F3C2E-8D4A-4E57-9A51-2F0C7E1D3A10}",
                              "calc.dll",
                              "ThemefoldTestLib",
                              "Calc"};

} // namespace

extern "C" {
// Named from the entry stub below; kept although nothing in C++ takes its address.
__attribute__((used)) probe::VbHeader vbHeader = {{'V', 'B', '5', '!'},
                                                  9782,
                                                  "*",
                                                  "~",
                                                  0,
                                                  0x409,
                                                  0,
                                                  reinterpret_cast<const void*>(&SubMain),
                                                  &kProjectData,
                                                  0,
                                                  0,
                                                  0,
                                                  1,
                                                  0,
                                                  1,
                                                  0,
                                                  nullptr,
                                                  &kCalc,
                                                  nullptr,
                                                  0x68,
                                                  0x69,
                                                  0x72,
                                                  0x73,
                                                  {"", "probe", "", "VbProbe"}};

// The runtime gets the header, as Visual Basic's stub gives it; ours returns, and the C++
// start follows.
void ProbeStart(const void* header) {
  ThunRTMain(header);
  ExitProcess(static_cast<UINT>(mainCRTStartup()));
}
}

// What Visual Basic's linker puts at the entry point: push the header's address, call.
asm(".text\n"
    ".globl _ProbeEntry\n"
    "_ProbeEntry:\n"
    "  pushl $_vbHeader\n"
    "  call _ProbeStart\n");
