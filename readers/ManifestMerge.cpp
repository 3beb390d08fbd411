#include "readers/ManifestMerge.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/Ascii.h"
#include "generation/ManifestSettings.h"
#include "readers/Bytes.h"
#include "readers/ManifestReader.h"
#include "readers/Xml.h"

namespace readers {

namespace {

using ascii::EqualIgnoringCase;
using ascii::Trim;
using xml::Element;
namespace ns = generation::manifestns;

constexpr const char* kCommonControls = "Microsoft.Windows.Common-Controls";
constexpr const char* kNone = "none";

/// asm.v1 to v3 are read alike for most elements, and a window setting's year varies.
std::string Family(const std::string& uri) {
  if (uri == ns::kAsmV1 || uri == ns::kAsmV2 || uri == ns::kAsmV3)
    return "asm";
  if (uri.compare(0, std::char_traits<char>::length(ns::kSettingsPrefix), ns::kSettingsPrefix) == 0)
    return "settings";
  return uri;
}

/// Where in the manifest an element of ours lies, which tells how it merges.
enum class Where {
  Root,
  Compatibility,
  CompatibilityApplication,
  TrustInfo,
  Security,
  Privileges,
  Application,
  WindowsSettings,
  Other,
};

enum class Kind {
  Container,   ///< merged child by child
  Leaf,        ///< the same key: ours replaces it when it differs
  Identity,    ///< the program's identity: only the version the user gave
  Description, ///< only when the user gave one
  Dependency,  ///< Common Controls 6, added once
  RunLevel,    ///< only the level attribute; uiAccess stays
};

struct Rule {
  Kind kind = Kind::Leaf;
  Where inside = Where::Other; ///< a container's children's place
  const char* key = nullptr;   ///< the attribute that tells leaves apart, "" for the name
};

Rule RuleOf(Where where, const std::string& local) {
  const std::pair<Where, const char*> containers[] = {
      {Where::Root, "compatibility"},
      {Where::Compatibility, "application"},
      {Where::Root, "trustInfo"},
      {Where::TrustInfo, "security"},
      {Where::Security, "requestedPrivileges"},
      {Where::Root, "application"},
      {Where::Application, "windowsSettings"},
  };
  const Where next[] = {Where::Compatibility,  Where::CompatibilityApplication,
                        Where::TrustInfo,      Where::Security,
                        Where::Privileges,     Where::Application,
                        Where::WindowsSettings};
  for (std::size_t i = 0; i < std::size(containers); ++i)
    if (containers[i].first == where && local == containers[i].second)
      return {Kind::Container, next[i], nullptr};
  if (where == Where::Root && local == "assemblyIdentity")
    return {Kind::Identity};
  if (where == Where::Root && local == "description")
    return {Kind::Description};
  if (where == Where::Root && local == "dependency")
    return {Kind::Dependency};
  if (where == Where::Privileges)
    return {Kind::RunLevel};
  if (where == Where::CompatibilityApplication)
    return {Kind::Leaf, Where::Other, "Id"};
  if (where == Where::Root && local == "file")
    return {Kind::Leaf, Where::Other, "name"};
  if (where == Where::Root && local == "comInterfaceExternalProxyStub")
    return {Kind::Leaf, Where::Other, "iid"};
  return {Kind::Leaf, Where::Other, ""};
}

bool SameThing(const Element& old, const Element& ours, Where where, const Rule& rule) {
  if (old.local != ours.local)
    return false;
  // A window setting in another namespace than Windows reads it in is the same setting,
  // written wrong: ours takes its place.
  if (where != Where::WindowsSettings && Family(old.ns) != Family(ours.ns))
    return false;
  return !rule.key || !*rule.key || EqualIgnoringCase(old.Value(rule.key), ours.Value(rule.key));
}

bool Equal(const Element& a, const Element& b) {
  if (a.local != b.local || a.ns != b.ns || Trim(a.text) != Trim(b.text) ||
      a.attributes.size() != b.attributes.size() || a.children.size() != b.children.size())
    return false;
  for (const xml::Attribute& attribute : a.attributes) {
    const xml::Attribute* other = b.Find(attribute.local, attribute.ns);
    if (!other || other->value != attribute.value)
      return false;
  }
  for (std::size_t i = 0; i < a.children.size(); ++i)
    if (!Equal(a.children[i], b.children[i]))
      return false;
  return true;
}

const Element* DependentIdentity(const Element& dependency) {
  for (const Element& assembly : dependency.children)
    if (assembly.local == "dependentAssembly")
      for (const Element& identity : assembly.children)
        if (identity.local == "assemblyIdentity")
          return &identity;
  return nullptr;
}

/// What a report calls an element, and the value it shows.
std::string Label(const Element& element, Where where) {
  if (where == Where::Privileges)
    return element.local + " level";
  if (where == Where::CompatibilityApplication) {
    for (const generation::WindowsVersion& version : generation::kWindowsVersions)
      if (EqualIgnoringCase(element.Value("Id"), version.id))
        return element.local + " Windows " + version.name;
    return element.local + " " + element.Value("Id");
  }
  if (element.local == "dependency") {
    const Element* identity = DependentIdentity(element);
    return "dependency " + (identity ? identity->Value("name") : std::string());
  }
  if (element.local == "file")
    return "file " + element.Value("name");
  if (element.local == "comInterfaceExternalProxyStub")
    return element.local + " " + element.Value("name");
  return element.local;
}

std::string Shown(const Element& element, Where where) {
  if (where == Where::Privileges)
    return element.Value("level");
  if (element.local == "dependency") {
    const Element* identity = DependentIdentity(element);
    return identity ? identity->Value("version") : std::string();
  }
  if (element.local == "file" || element.local == "comInterfaceExternalProxyStub" ||
      where == Where::CompatibilityApplication) {
    std::string shown = "listed";
    for (const Element& child : element.children)
      shown += (shown == "listed" ? ": " : ", ") + child.local;
    return shown;
  }
  const std::string text = Trim(element.text);
  return text.empty() ? std::string("(empty)") : text;
}

struct Edit {
  std::size_t at = 0;
  std::size_t length = 0;
  std::string text;
  /// Of edits at one place: 0 goes into an element there, 1 closes an element that had none,
  /// 2 follows that element.
  int order = 0;
};

class Merger {
public:
  Merger(std::string old, std::string ours, IdentityGiven given)
      : old_(std::move(old)), ours_(std::move(ours)), given_(given) {}

  MergedManifest Run(const std::string& oldBytes) {
    MergedManifest result;
    Element oldRoot, ourRoot;
    try {
      oldRoot = xml::Parse(old_);
    } catch (const FormatError& error) {
      result.refusal = MergeRefusal(MergeProblem::NotWellFormed, {error.what()});
      return result;
    }
    if (oldRoot.local != "assembly" || oldRoot.ns != ns::kAsmV1) {
      result.refusal = MergeRefusal(MergeProblem::NotAnAssembly);
      return result;
    }
    ourRoot = xml::Parse(ours_);
    MergeChildren(oldRoot, ourRoot, Where::Root);
    result.changes = std::move(changes_);
    if (edits_.empty()) {
      result.text = oldBytes;
      return result;
    }
    result.text = Applied(oldRoot);
    return result;
  }

private:
  void MergeChildren(const Element& old, const Element& ours, Where where) {
    for (const Element& child : ours.children) {
      const Rule rule = RuleOf(where, child.local);
      const Element* match = nullptr;
      for (const Element& candidate : old.children)
        if (!match && SameThing(candidate, child, where, rule))
          match = &candidate;
      if (rule.kind == Kind::Dependency) {
        MergeDependency(old, child);
        continue;
      }
      if (!match) {
        if (rule.kind == Kind::Description && (!given_.description || Trim(child.text).empty()))
          continue;
        Insert(old, child, rule.kind == Kind::Identity);
        Added(child, where);
        continue;
      }
      switch (rule.kind) {
      case Kind::Container:
        MergeChildren(*match, child, rule.inside);
        break;
      case Kind::Identity:
        if (given_.version)
          SetAttribute(*match, child, "version", "assemblyIdentity version");
        break;
      case Kind::RunLevel:
        SetAttribute(*match, child, "level", Label(child, where));
        break;
      case Kind::Description:
        if (given_.description && !Trim(child.text).empty() &&
            Trim(match->text) != Trim(child.text))
          Replace(old, *match, child, where);
        break;
      case Kind::Leaf:
        if (!Equal(*match, child))
          Replace(old, *match, child, where);
        break;
      case Kind::Dependency:
        break;
      }
    }
    // System DPI awareness from dpiAware alone: an old dpiAwareness would overrule it.
    if (where == Where::WindowsSettings) {
      const auto has = [](const Element& e, const char* local) {
        return std::any_of(e.children.begin(), e.children.end(),
                           [&](const Element& c) { return c.local == local; });
      };
      if (has(ours, generation::kDpiAwareSetting.element) &&
          !has(ours, generation::kDpiAwarenessSetting.element))
        for (const Element& child : old.children)
          if (child.local == generation::kDpiAwarenessSetting.element)
            Remove(child, where);
    }
  }

  void MergeDependency(const Element& root, const Element& ours) {
    for (const Element& dependency : root.children) {
      const Element* identity = DependentIdentity(dependency);
      if (dependency.local != "dependency" || !identity ||
          !EqualIgnoringCase(identity->Value("name"), kCommonControls))
        continue;
      const Element* wanted = DependentIdentity(ours);
      const std::string architecture = identity->Value("processorArchitecture");
      const bool sameVersion = identity->Value("version") == wanted->Value("version");
      if (sameVersion && (architecture == "*" ||
                          EqualIgnoringCase(architecture, wanted->Value("processorArchitecture"))))
        return;
      // Another version of Common Controls, or one for another machine, which Windows
      // refuses: ours takes its place, the rest stays.
      const char* field = sameVersion ? "processorArchitecture" : "version";
      for (const Element& assembly : dependency.children)
        for (const Element& child : assembly.children)
          if (&child == identity) {
            const Element& ourAssembly = ours.children.front();
            edits_.push_back(
                {assembly.begin, assembly.end - assembly.begin,
                 Text(ourAssembly, dependency.defaultInside, IndentOf(old_, assembly))});
            changes_.push_back(
                {Label(ours, Where::Root) + (sameVersion ? " " + std::string(field) : ""),
                 identity->Value(field), wanted->Value(field)});
          }
      return;
    }
    Insert(root, ours, false);
    Added(ours, Where::Root);
  }

  /// The changes an element of ours brings where the old manifest had nothing.
  void Added(const Element& ours, Where where) {
    const Rule rule = RuleOf(where, ours.local);
    if (rule.kind == Kind::Container) {
      for (const Element& child : ours.children)
        Added(child, rule.inside);
      return;
    }
    if (rule.kind == Kind::Identity) {
      changes_.push_back({"assemblyIdentity", kNone, ours.Value("name")});
      return;
    }
    changes_.push_back({Label(ours, where), kNone, Shown(ours, where)});
  }

  void SetAttribute(const Element& old, const Element& ours, const char* name,
                    const std::string& label) {
    const std::string wanted = ours.Value(name);
    const xml::Attribute* attribute = old.Find(name);
    if (attribute && attribute->value == wanted)
      return;
    if (attribute)
      edits_.push_back({attribute->valueBegin, attribute->valueEnd - attribute->valueBegin,
                        Escaped(ours, name)});
    else
      edits_.push_back(
          {old.nameEnd, 0, std::string(" ") + name + "=\"" + Escaped(ours, name) + "\""});
    changes_.push_back({label, attribute ? attribute->value : kNone, wanted});
  }

  /// The attribute's value as ours writes it, references and all.
  std::string Escaped(const Element& ours, const char* name) const {
    const xml::Attribute* attribute = ours.Find(name);
    return ours_.substr(attribute->valueBegin, attribute->valueEnd - attribute->valueBegin);
  }

  void Replace(const Element& parent, const Element& old, const Element& ours, Where where) {
    edits_.push_back(
        {old.begin, old.end - old.begin, Text(ours, parent.defaultInside, IndentOf(old_, old))});
    changes_.push_back({Label(ours, where), Shown(old, where), Shown(ours, where)});
  }

  void Remove(const Element& old, Where where) {
    std::size_t from = old.begin;
    while (from > 0 && (old_[from - 1] == ' ' || old_[from - 1] == '\t'))
      --from;
    if (from > 0 && old_[from - 1] == '\n')
      --from;
    edits_.push_back({from, old.end - from, std::string()});
    changes_.push_back({Label(old, where), Shown(old, where), kNone});
  }

  /// ours in parent after the last child of its name, or the last child (the first, for the
  /// program's identity), indented as its neighbours are.
  void Insert(const Element& parent, const Element& ours, bool first) {
    const Element* after = parent.children.empty() ? nullptr : &parent.children.back();
    for (const Element& child : parent.children)
      if (child.local == ours.local)
        after = &child;
    const std::string indent = after ? IndentOf(old_, *after) : IndentOf(old_, parent) + "    ";
    const std::string text = "\n" + indent + Text(ours, parent.defaultInside, indent);
    if (parent.contentBegin != parent.end) {
      if (first || !after)
        edits_.push_back({parent.contentBegin, 0, text});
      else
        edits_.push_back({after->end, 0, text, 2});
      return;
    }
    // <windowsSettings/>: it gets an end tag, after everything that goes into it.
    if (std::none_of(edits_.begin(), edits_.end(),
                     [&](const Edit& e) { return e.at == parent.end - 2 && e.length == 2; })) {
      edits_.push_back({parent.end - 2, 2, ">"});
      edits_.push_back(
          {parent.end, 0, "\n" + IndentOf(old_, parent) + "</" + parent.qualifiedName + ">", 1});
    }
    edits_.push_back({parent.end, 0, text});
  }

  /// ours as written, its lines indented by indent, with its namespace declared where the
  /// default around it is another.
  std::string Text(const Element& ours, const std::string& defaultAround,
                   const std::string& indent) const {
    std::string text = ours_.substr(ours.begin, ours.end - ours.begin);
    const std::string ourIndent = IndentOf(ours_, ours);
    std::string out;
    for (std::size_t at = 0; at <= text.size();) {
      std::size_t line = text.find('\n', at);
      if (line == std::string::npos)
        line = text.size();
      std::string piece = text.substr(at, line - at);
      if (at > 0) {
        if (piece.compare(0, ourIndent.size(), ourIndent) == 0)
          piece.erase(0, ourIndent.size());
        out += "\n" + indent;
      }
      out += piece;
      at = line + 1;
    }
    const std::string startTag = ours_.substr(ours.begin, ours.contentBegin - ours.begin);
    if (ours.ns != defaultAround && startTag.find(" xmlns=") == std::string::npos)
      out.insert(ours.nameEnd - ours.begin, " xmlns=\"" + ours.ns + "\"");
    return out;
  }

  static std::string IndentOf(const std::string& text, const Element& element) {
    std::size_t from = element.begin;
    while (from > 0 && (text[from - 1] == ' ' || text[from - 1] == '\t'))
      --from;
    if (from > 0 && text[from - 1] != '\n')
      return std::string();
    return text.substr(from, element.begin - from);
  }

  /// The old text with the edits made, after our XML declaration, in CR LF.
  std::string Applied(const Element& root) {
    std::stable_sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) {
      return a.at < b.at || (a.at == b.at && a.order < b.order);
    });
    std::string edited;
    std::size_t at = 0;
    for (const Edit& edit : edits_) {
      edited.append(old_, at, edit.at - at);
      edited += edit.text;
      at = edit.at + edit.length;
    }
    edited.append(old_, at, std::string::npos);
    // What comes before the root, but the old declaration: comments and instructions stay.
    std::size_t start = old_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (old_.compare(start, 5, "<?xml") == 0 && start + 5 < old_.size() &&
        (old_[start + 5] == ' ' || old_[start + 5] == '\t' || old_[start + 5] == '\n'))
      start = old_.find("?>", start) + 2;
    while (start < root.begin && (old_[start] == ' ' || old_[start] == '\n' || old_[start] == '\t'))
      ++start;
    std::string text = ours_.substr(0, ours_.find('\n') + 1) + edited.substr(start);
    // Whoever writes it adds the line end it wants.
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
      text.pop_back();
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
      if (c == '\n')
        out += '\r';
      out += c;
    }
    return out;
  }

  const std::string old_;
  const std::string ours_;
  const IdentityGiven given_;
  std::vector<Edit> edits_;
  std::vector<ManifestChange> changes_;
};

} // namespace

MergedManifest MergeManifests(const std::optional<std::string>& old, const std::string& ours,
                              IdentityGiven given) {
  MergedManifest result;
  if (!old) {
    result.text = ours;
    return result;
  }
  if (old->size() > kMaxManifestBytes) {
    result.refusal = MergeRefusal(MergeProblem::TooLarge,
                                  {std::to_string(old->size()), std::to_string(kMaxManifestBytes)});
    return result;
  }
  try {
    return Merger(xml::WithLfLineEnds(ManifestAsUtf8(*old)), xml::WithLfLineEnds(ours), given)
        .Run(*old);
  } catch (const std::bad_alloc&) {
    result.refusal = MergeRefusal(MergeProblem::OutOfMemory);
    return result;
  }
}

std::string DescribeChange(const ManifestChange& change) {
  return "  " + change.element + ": " + change.before + " -> " + change.after;
}

} // namespace readers
