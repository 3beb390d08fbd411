// Every #include of the tree, and every library a CMakeLists.txt links, against the tables of
// docs/architecture.md, the one copy of the layering rules.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

/// One table of the page: a path (folder ending in '/', file, or <header>) and the places it
/// names, in the page's order.
using Table = std::vector<std::pair<std::string, std::vector<std::string>>>;

struct Rules {
  Table mayInclude;   ///< including file -> what it may include
  Table includedFrom; ///< restricted header -> who may include it
};

std::vector<std::string> BacktickedWords(const std::string& cell) {
  std::vector<std::string> words;
  for (std::size_t at = cell.find('`'); at != std::string::npos; at = cell.find('`', at)) {
    const std::size_t end = cell.find('`', at + 1);
    if (end == std::string::npos)
      break;
    words.push_back(cell.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return words;
}

Rules ReadRules(const std::string& page) {
  Rules rules;
  Table* table = nullptr;
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("### Who may include what", 0) == 0)
      table = &rules.mayInclude;
    else if (line.rfind("### Headers only some may include", 0) == 0)
      table = &rules.includedFrom;
    else if (line.rfind("#", 0) == 0)
      table = nullptr;
    else if (table && line.rfind("| `", 0) == 0) {
      const std::size_t split = line.find('|', 1);
      const std::vector<std::string> key = BacktickedWords(line.substr(0, split));
      if (key.size() == 1)
        table->emplace_back(key[0], BacktickedWords(line.substr(split)));
    }
  }
  return rules;
}

bool Covers(const std::string& rule, const std::string& path) {
  return rule.back() == '/' ? path.rfind(rule, 0) == 0 : path == rule;
}

/// The longest rule that covers path; nullptr when none does.
const Table::value_type* RuleFor(const Table& table, const std::string& path) {
  const Table::value_type* best = nullptr;
  for (const auto& rule : table)
    if (Covers(rule.first, path) && (!best || rule.first.size() >= best->first.size()))
      best = &rule;
  return best;
}

bool Lists(const std::vector<std::string>& places, const std::string& path) {
  for (const std::string& place : places)
    if (Covers(place, path))
      return true;
  return false;
}

std::string Joined(const std::vector<std::string>& places) {
  std::string list;
  for (const std::string& place : places)
    list += (list.empty() ? "" : " ") + place;
  return list;
}

/// Why `from` may not include `included` (a path of the tree, or a <header> as written),
/// naming the rule; "" when it may.
std::string Violation(const Rules& rules, const std::string& from, const std::string& included) {
  const bool system = included.front() == '<';
  if (!system) {
    if (included.substr(0, included.rfind('/') + 1) == from.substr(0, from.rfind('/') + 1))
      return std::string(); // beside it
    const Table::value_type* rule = RuleFor(rules.mayInclude, from);
    if (!rule)
      return "no rule of \"Who may include what\" covers this file";
    if (!Lists(rule->second, included))
      return "includes \"" + included + "\", which the rule for " + rule->first +
             " does not allow (it may include " + Joined(rule->second) + ")";
  }
  for (const auto& [header, places] : rules.includedFrom)
    if (Covers(header, included) && !Lists(places, from))
      return "includes " + (system ? included : "\"" + included + "\"") + ", which only " +
             Joined(places) + " may include";
  return std::string();
}

/// Why the CMakeLists.txt at `from` may not link the library of the folder `linked`: a
/// library links only the layers its folder may include something of; "" when it may.
std::string LinkViolation(const Rules& rules, const std::string& from, const std::string& linked) {
  if (from.substr(0, from.rfind('/') + 1) == linked)
    return std::string();
  const Table::value_type* rule = RuleFor(rules.mayInclude, from);
  if (!rule)
    return "no rule of \"Who may include what\" covers this file";
  for (const std::string& place : rule->second)
    if (place.rfind(linked, 0) == 0)
      return std::string();
  return "links the library of " + linked + ", which the rule for " + rule->first +
         " does not allow (it may include " + Joined(rule->second) + ")";
}

// An empty or unreadable page must not pass as a tree with nothing to break.
class LayersTest : public ::testing::Test {
protected:
  void SetUp() override {
    rules = ReadRules(testsupport::ReadBytes(testsupport::SourceFile("docs/architecture.md")));
    ASSERT_GE(rules.mayInclude.size(), 10u) << "docs/architecture.md: no \"Who may include what\"";
    ASSERT_GE(rules.includedFrom.size(), 3u) << "docs/architecture.md: no \"Headers only some\"";
  }
  Rules rules;
};

TEST_F(LayersTest, TheRulesCatchEveryIncludeThatRanAgainstTheLayers) {
  struct Row {
    const char* from;
    const char* included;
    bool allowed;
  };
  const Row rows[] = {
      {"platform/BraskDetail.cpp", "app/ControlIds.h", false},
      {"readers/ManifestReader.cpp", "generation/Driver.h", false},
      {"batch/Batch.cpp", "app/frmMain.h", false},
      {"batch/Locator.h", "app/Services.h", false},
      {"batch/Locator.cpp", "app/AppTexts.h", false},
      {"platform/Platform.h", "util/SystemError.h", false},
      {"platform/posix/Processes.cpp", "util/text/CommandLine.h", false},
      {"app/frmMain.cpp", "batch/Batch.h", false},
      {"rc/Parser.cpp", "platform/Platform.h", false},
      {"readers/ComponentReader.cpp", "platform/Platform.h", false},
      {"readers/Xml.cpp", "<windows.h>", false},
      {"tests/batch/BatchTest.cpp", "tests/readers/PeBuilder.h", false},
      {"embed/Embed.cpp", "platform/Platform.h", false},
      {"embed/Embed.cpp", "project/ResFile.h", false},
      {"readers/PeImage.cpp", "embed/Embed.h", false},
      {"project/ResFile.cpp", "embed/Embed.h", false},
      {"readers/ManifestReader.cpp", "generation/Manifest.h", true},
      {"batch/Batch.cpp", "front/Target.h", true},
      {"rc/main.cpp", "platform/Platform.h", true},
      {"app/win32/Window.h", "<windows.h>", true},
      {"platform/posix/Files.cpp", "<sys/stat.h>", true},
      {"tests/batch/BatchTest.cpp", "tests/support/PeBuilder.h", true},
      {"embed/Embed.cpp", "readers/PeImage.h", true},
      {"tests/embed/EmbedTest.cpp", "embed/Embed.h", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.from) + " -> " + row.included);
    EXPECT_EQ(Violation(rules, row.from, row.included).empty(), row.allowed)
        << Violation(rules, row.from, row.included);
  }
  const Row links[] = {
      {"embed/CMakeLists.txt", "platform/", false},
      {"readers/CMakeLists.txt", "embed/", false},
      {"project/CMakeLists.txt", "front/", false},
      {"tests/readers/CMakeLists.txt", "project/", false},
      {"front/CMakeLists.txt", "embed/", true},
      {"rc/CMakeLists.txt", "platform/", true}, // for platform/Stopping.h alone
      {"tests/app/CMakeLists.txt", "app/", true},
  };
  for (const Row& row : links) {
    SCOPED_TRACE(std::string(row.from) + " links " + row.included);
    EXPECT_EQ(LinkViolation(rules, row.from, row.included).empty(), row.allowed)
        << LinkViolation(rules, row.from, row.included);
  }
}

// Where an include names a file: beside the includer, then the tree's root, then tests/ (the
// test programs' second include folder). "" for generated and system-provided files.
std::string Resolve(const fs::path& root, const std::string& from, const std::string& name) {
  const std::string folder = from.substr(0, from.rfind('/') + 1);
  for (const std::string& candidate : {folder + name, name, "tests/" + name})
    if (fs::is_regular_file(root / candidate))
      return fs::path(candidate).lexically_normal().generic_string();
  return std::string();
}

/// Whether the walk over the tree skips this folder: build output, history, and the
/// compiler's own copies of the system headers.
bool Skipped(const std::string& folder) {
  return folder == "build" || folder == "out" || folder.rfind(".", 0) == 0 ||
         folder == "rc/include" || folder == "tests/rc/corpus" || folder == "tests/rc/msrc";
}

TEST_F(LayersTest, EveryIncludeOfTheTreeFollowsTheRules) {
  const fs::path root = testsupport::SourceFile("");
  std::vector<std::string> problems;
  std::size_t checked = 0;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string path = it->path().lexically_relative(root).generic_string();
    if (it->is_directory()) {
      if (Skipped(path))
        it.disable_recursion_pending();
      continue;
    }
    const std::string ext = it->path().extension().string();
    if (ext != ".cpp" && ext != ".h" && ext != ".rc")
      continue;
    std::ifstream in(it->path());
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      const std::size_t at = line.find_first_not_of(" \t");
      if (at == std::string::npos || line.compare(at, 8, "#include") != 0)
        continue;
      const std::size_t open = line.find_first_of("\"<", at + 8);
      if (open == std::string::npos)
        continue;
      const std::size_t close = line.find(line[open] == '"' ? '"' : '>', open + 1);
      if (close == std::string::npos)
        continue;
      std::string included;
      if (line[open] == '<') {
        included = line.substr(open, close - open + 1);
      } else {
        included = Resolve(root, path, line.substr(open + 1, close - open - 1));
        if (included.empty())
          continue;
      }
      ++checked;
      const std::string why = Violation(rules, path, included);
      if (!why.empty())
        problems.push_back(path + ":" + std::to_string(number) + ": " + why +
                           " (docs/architecture.md)");
    }
  }
  EXPECT_GT(checked, 500u);
  for (const std::string& problem : problems)
    ADD_FAILURE() << problem;
}

/// The calls to `command` in a CMakeLists.txt, each as its words, comments left out.
std::vector<std::vector<std::string>> Calls(const std::string& text, const std::string& command) {
  std::string code;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    code += line.substr(0, line.find('#')) + "\n";
  std::vector<std::vector<std::string>> calls;
  for (std::size_t at = code.find(command + "("); at != std::string::npos;
       at = code.find(command + "(", at + 1)) {
    if (at > 0 && (std::isalnum(static_cast<unsigned char>(code[at - 1])) || code[at - 1] == '_'))
      continue;
    const std::size_t open = at + command.size() + 1;
    std::istringstream words(code.substr(open, code.find(')', open) - open));
    calls.emplace_back();
    for (std::string word; words >> word;)
      calls.back().push_back(word);
  }
  return calls;
}

// A library of the tree (add_library in a folder's CMakeLists.txt) belongs to that folder's
// layer; what a CMakeLists.txt links (target_link_libraries, or the test programs' helper)
// must be a layer the folder may include. Other libraries (the system's, GoogleTest) are not
// checked.
TEST_F(LayersTest, EveryLibraryALayerLinksIsOneItMayInclude) {
  const fs::path root = testsupport::SourceFile("");
  std::map<std::string, std::string> texts; // CMakeLists.txt -> its text
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string path = it->path().lexically_relative(root).generic_string();
    if (it->is_directory() && Skipped(path))
      it.disable_recursion_pending();
    else if (it->path().filename() == "CMakeLists.txt")
      texts[path] = testsupport::ReadBytes(it->path());
  }
  std::map<std::string, std::string> folderOf; // library -> its folder, ending in '/'
  for (const auto& [path, text] : texts)
    for (const auto& call : Calls(text, "add_library"))
      if (!call.empty() && call[0].find('$') == std::string::npos)
        folderOf[call[0]] = path.substr(0, path.rfind('/') + 1);
  ASSERT_GE(folderOf.size(), 10u);
  std::vector<std::string> problems;
  std::size_t checked = 0;
  for (const auto& [path, text] : texts)
    for (const char* command : {"target_link_libraries", "themefold_test_program"})
      for (const auto& call : Calls(text, command))
        for (std::size_t i = 1; i < call.size(); ++i) {
          const auto library = folderOf.find(call[i]);
          if (library == folderOf.end())
            continue;
          ++checked;
          const std::string why = LinkViolation(rules, path, library->second);
          if (!why.empty())
            problems.push_back(path + ": " + call[0] + " " + why + " (docs/architecture.md)");
        }
  EXPECT_GT(checked, 20u);
  for (const std::string& problem : problems)
    ADD_FAILURE() << problem;
}

} // namespace
