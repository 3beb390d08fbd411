#pragma once
// What a manifest says about the COM components a program uses without registration. The
// facts come from the components' type libraries, read by the front ends through readers/;
// the text they make is built beside the template, in Manifest.cpp.

#include <string>
#include <vector>

namespace generation {

struct ComClassFacts {
  std::string clsid;  ///< "{...}"
  std::string progId; ///< "Library.Class", as Visual Basic registers it
  std::string description;
  std::string miscStatus;        ///< flag names for all aspects; "" leaves the attribute out
  std::string miscStatusContent; ///< the same for the content aspect
};

struct ComInterfaceFacts {
  std::string name;
  std::string iid;
};

struct ComponentFacts {
  std::string fileName; ///< relative to the program's folder, '\\' between folders
  std::string tlbid;
  std::string version;                       ///< "M.m"
  std::string flags;                         ///< "CONTROL,HASDISKIMAGE", "" for none
  std::vector<ComClassFacts> classes;        ///< the creatable ones, in file order
  std::vector<ComInterfaceFacts> interfaces; ///< dispatch and dual ones the classes expose
};

} // namespace generation
