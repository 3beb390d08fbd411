#pragma once
// Compiling scripts from tests: a script written into the test's folder, compiled there.

#include "support/TestSupport.h"

#include "rc/Compiler.h"

#include <string>
#include <vector>

namespace rctest {

/// The options of a corpus script's first line ("// options: /c65001").
inline std::vector<std::string> CorpusOptions(const std::string& script) {
  const std::string marker = "// options: ";
  if (script.rfind(marker, 0) != 0)
    return {};
  std::vector<std::string> out;
  std::string line = script.substr(marker.size(), script.find_first_of("\r\n") - marker.size());
  std::string word;
  for (char c : line + " ") {
    if (c == ' ') {
      if (!word.empty())
        out.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return out;
}

/// Compiles with the command line args + script, as the program would.
inline rc::Result CompileArgs(std::vector<std::string> args) {
  return rc::Compile(rc::ParseCommandLine(args));
}

/// The corpus folder in the source tree.
inline std::filesystem::path Corpus(const std::string& name = "") {
  return testsupport::SourceFile("tests/rc/corpus/" + name);
}

// clang-format off
inline const char* const kCorpusScripts[] = {
    "preprocessor.rc", "images.rc", "version.rc", "strings.rc", "userdata.rc",
    "expressions.rc",  "utf8.rc",   "cp1252.rc",  "lang.rc",     "dialogs.rc",
    "menus.rc",        "accelerators.rc", "otherkinds.rc", "vsapp.rc", "macros.rc",
    "libversion.rc",   "longnames.rc",
};
// clang-format on

/// The headers shipped with the compiler, in the source tree.
inline std::string BundledHeaders() { return testsupport::SourceFile("rc/include").string(); }

/// What Microsoft's rc reads differently from llvm-rc: the Visual Basic script, and the
/// text llvm-rc is given to make its reference (the same resources, said its way).
inline const char* const kVisualBasicScript = "tests/rc/msrc/vb.rc";
inline const char* const kVisualBasicLanguage = "LANGUAGE 0x0409, 0";
inline const char* const kVisualBasicLanguageForLlvmRc = "LANGUAGE 9, 1";

} // namespace rctest
