#include "rc/Macros.h"

#include "rc/CharClass.h"
#include "rc/Diagnostics.h"

#include <algorithm>

namespace rc {

namespace {

using PpToken = Macros::PpToken;

bool IsPunct(const PpToken& t, std::string_view text) {
  return t.kind == PpToken::kPunct && t.text == text;
}

void SkipSpace(std::string_view& s) {
  while (!s.empty() && IsSpace(s.front()))
    s.remove_prefix(1);
}

// Where the number starting at text[i] ends. Script numbers and names share letters
// (12abc, 1L, 0x1F), so a number runs over letters, digits, '_' and '.'.
std::size_t NumberEnd(std::string_view text, std::size_t i) {
  while (i < text.size() && (IsAlnum(text[i]) || text[i] == '_' || text[i] == '.'))
    ++i;
  return i;
}

bool StartsString(std::string_view text, std::size_t i) {
  return text[i] == '"' ||
         ((text[i] == 'L' || text[i] == 'l') && i + 1 < text.size() && text[i + 1] == '"');
}

PpToken Stringize(const std::vector<PpToken>& arg) {
  PpToken s;
  s.kind = PpToken::kString;
  s.text = "\"";
  for (std::size_t i = 0; i < arg.size(); ++i) {
    const PpToken& t = arg[i];
    if (t.kind == PpToken::kPlacemarker)
      continue;
    if (i > 0 && t.space)
      s.text += ' ';
    if (t.kind == PpToken::kString || t.kind == PpToken::kChar) {
      for (char c : t.text) {
        if (c == '"' || c == '\\')
          s.text += '\\';
        s.text += c;
      }
    } else {
      s.text += t.text;
    }
  }
  s.text += '"';
  return s;
}

} // namespace

std::string_view TakeIdentifier(std::string_view& s) {
  std::size_t n = 0;
  if (!s.empty() && IsCIdentifierStart(s[0]))
    while (n < s.size() && IsCIdentifierChar(s[n]))
      ++n;
  std::string_view id = s.substr(0, n);
  s.remove_prefix(n);
  return id;
}

std::size_t StringEnd(std::string_view text, std::size_t i) {
  std::size_t j = i + 1;
  for (;;) {
    j = std::min(text.find('"', j), text.size());
    if (j + 1 < text.size() && text[j + 1] == '"') {
      j += 2;
      continue;
    }
    return j < text.size() ? j + 1 : text.size();
  }
}

void LexPp(std::string_view text, std::vector<PpToken>& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool space = false;
  while (i < n) {
    const char c = text[i];
    if (IsSpace(c)) {
      space = true;
      ++i;
      continue;
    }
    PpToken t;
    t.space = space;
    space = false;
    std::size_t end = i + 1;
    if (StartsString(text, i)) {
      t.kind = PpToken::kString;
      end = StringEnd(text, c == '"' ? i : i + 1);
    } else if (IsCIdentifierStart(c)) {
      t.kind = PpToken::kIdentifier;
      while (end < n && IsCIdentifierChar(text[end]))
        ++end;
    } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(text[i + 1]))) {
      t.kind = PpToken::kNumber;
      end = NumberEnd(text, i + 1);
    } else if (c == '\'') {
      t.kind = PpToken::kChar;
      while (end < n && text[end] != '\'')
        end += (text[end] == '\\' && end + 1 < n) ? 2 : 1;
      end = std::min(end + 1, n);
    } else if (c == '#' && i + 1 < n && text[i + 1] == '#') {
      end = i + 2;
    } else if (text.substr(i, 3) == "...") {
      end = i + 3;
    }
    t.text.assign(text.data() + i, end - i);
    out.push_back(std::move(t));
    i = end;
  }
}

Macros::Macros() : Macros(kMaxExpansions, kMaxTokens) {}

Macros::Macros(std::size_t maxExpansions, std::size_t maxTokens)
    : maxExpansions_(maxExpansions), maxTokens_(maxTokens) {
  sets_.emplace_back();
}

std::uint32_t Macros::IdOf(std::string_view name) {
  auto found = ids_.find(name);
  if (found != ids_.end())
    return found->second;
  names_.emplace_back(name);
  const auto id = static_cast<std::uint32_t>(ids_.size() + 1);
  ids_.emplace(names_.back(), id);
  return id;
}

const Macros::Definition* Macros::Find(std::string_view name) const {
  auto found = macros_.find(name);
  return found == macros_.end() ? nullptr : &found->second;
}

void Macros::Set(std::string_view name, Definition definition) {
  definition.id = IdOf(name);
  lengths_ |= std::uint64_t{1} << (name.size() & 63);
  const auto first = static_cast<unsigned char>(name[0]) & 127;
  firsts_[first >> 6] |= std::uint64_t{1} << (first & 63);
  std::string_view key = names_[definition.id - 1];
  macros_.insert_or_assign(key, std::move(definition));
}

void Macros::DefineObject(const std::string& name, std::string_view value) {
  Definition d;
  LexPp(value, d.body);
  d.paramOf.assign(d.body.size(), -1);
  if (!d.body.empty())
    d.body.front().space = false;
  Set(name, std::move(d));
}

void Macros::Define(std::string_view definition, const Location& where) {
  std::string_view r = definition;
  SkipSpace(r);
  std::string_view id = TakeIdentifier(r);
  if (id.empty() || id == "defined")
    throw CompileError(ErrorCode::kDirectiveSyntax, where, "#define expects a macro name");
  const std::string name(id);
  Definition d;
  if (!r.empty() && r.front() == '(') {
    d.functionLike = true;
    r.remove_prefix(1);
    auto bad = [&]() {
      return CompileError(ErrorCode::kDirectiveSyntax, where,
                          "missing ')' in the parameters of macro '" + name + "'");
    };
    SkipSpace(r);
    if (!r.empty() && r.front() == ')') {
      r.remove_prefix(1);
    } else {
      for (;;) {
        SkipSpace(r);
        if (r.substr(0, 3) == "...") {
          r.remove_prefix(3);
          d.variadic = true;
          d.params.push_back("__VA_ARGS__");
        } else {
          std::string_view param = TakeIdentifier(r);
          if (param.empty())
            throw bad();
          d.params.emplace_back(param);
          SkipSpace(r);
          if (r.substr(0, 3) == "...") { // GNU's named variable arguments
            r.remove_prefix(3);
            d.variadic = true;
          }
        }
        SkipSpace(r);
        if (r.empty() || (r.front() != ',' && r.front() != ')') || (d.variadic && r.front() == ','))
          throw bad();
        const bool last = r.front() == ')';
        r.remove_prefix(1);
        if (last)
          break;
      }
    }
  } else if (!r.empty() && !IsSpace(r.front())) {
    throw CompileError(ErrorCode::kDirectiveSyntax, where,
                       "missing blank after the macro name '" + name + "'");
  }
  LexPp(r, d.body);
  if (!d.body.empty())
    d.body.front().space = false;
  d.paramOf.assign(d.body.size(), -1);
  for (std::size_t i = 0; i < d.body.size(); ++i) {
    if (d.body[i].kind != PpToken::kIdentifier)
      continue;
    auto p = std::find(d.params.begin(), d.params.end(), d.body[i].text);
    if (p != d.params.end())
      d.paramOf[i] = static_cast<int>(p - d.params.begin());
  }
  Set(name, std::move(d));
}

void Macros::Undefine(std::string_view name) { macros_.erase(name); }

void Macros::Push(std::string_view name) {
  auto found = macros_.find(name);
  auto& stack = pushed_[names_[IdOf(name) - 1]];
  if (found == macros_.end())
    stack.emplace_back(false, Definition{});
  else
    stack.emplace_back(true, found->second);
}

void Macros::Pop(std::string_view name) {
  auto found = pushed_.find(name);
  if (found == pushed_.end() || found->second.empty())
    return; // as in C compilers: popping what was never pushed changes nothing
  auto [defined, definition] = std::move(found->second.back());
  found->second.pop_back();
  if (defined)
    Set(name, std::move(definition));
  else
    Undefine(name);
}

std::size_t Macros::FirstMacro(std::string_view text) const {
  if (macros_.empty())
    return std::string_view::npos;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = text[i];
    if (c == '"') {
      i = StringEnd(text, i);
    } else if (IsDigit(c)) {
      i = NumberEnd(text, i + 1);
    } else if (IsCIdentifierStart(c)) {
      std::size_t end = i + 1;
      while (end < n && IsCIdentifierChar(text[end]))
        ++end;
      if (end < n && text[end] == '"' && end == i + 1 && (c == 'L' || c == 'l')) {
        i = StringEnd(text, end); // a wide string
        continue;
      }
      const auto first = static_cast<unsigned char>(c) & 127;
      if (((lengths_ >> ((end - i) & 63)) & 1) && ((firsts_[first >> 6] >> (first & 63)) & 1) &&
          macros_.count(text.substr(i, end - i)))
        return i;
      i = end;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

void Macros::Expand(std::string_view text, const Location& where, std::string& out, Call call) {
  const std::size_t first = FirstMacro(text);
  if (first == std::string_view::npos) {
    out.append(text);
    return;
  }
  out.append(text.substr(0, first));
  where_ = where;
  call_ = call;
  lineTokens_ = 0;
  std::vector<PpToken> tokens;
  LexPp(text.substr(first), tokens);
  TokenStack input(std::make_move_iterator(tokens.rbegin()),
                   std::make_move_iterator(tokens.rend()));
  tokens.clear();
  ExpandTokens(input, tokens, 0);
  for (const PpToken& t : tokens) {
    if (t.space)
      out += ' ';
    out += t.text;
    if (out.size() > kMaxSize)
      throw CompileError(ErrorCode::kDirectiveSyntax, where_, "macro expansion too large");
  }
}

void Macros::Count(std::size_t tokens) {
  tokens_ += tokens;
  lineTokens_ += tokens;
  if (tokens_ > maxTokens_ || lineTokens_ > kMaxLineTokens)
    throw CompileError(ErrorCode::kDirectiveSyntax, where_, "macro expansion too large");
}

void Macros::ExpandTokens(TokenStack& input, std::vector<PpToken>& out, int depth) {
  if (depth > kMaxDepth)
    throw CompileError(ErrorCode::kDirectiveSyntax, where_, "macros nested too deeply");
  while (!input.empty()) {
    PpToken t = std::move(input.back());
    input.pop_back();
    if (t.kind == PpToken::kIdentifier) {
      const Definition* macro = Find(t.text);
      if (macro && !Contains(t.hide, macro->id) && ExpandOne(t, *macro, input, depth))
        continue;
    }
    out.push_back(std::move(t));
  }
}

bool Macros::ExpandOne(const PpToken& name, const Definition& macro, TokenStack& input, int depth) {
  std::vector<std::vector<PpToken>> args;
  std::uint32_t hide = name.hide;
  if (macro.functionLike) {
    // Without '(' right after it, a function-like macro's name is just a name.
    if (input.empty() || !IsPunct(input.back(), "("))
      return false;
    input.pop_back();
    args.emplace_back();
    int level = 0;
    for (;;) {
      if (input.empty()) {
        // Only a call in the text itself may go on in the next line; one inside the
        // arguments of another must end within them.
        if (depth == 0 && call_ == Call::kMayContinue)
          throw Unfinished{name.text};
        throw CompileError(ErrorCode::kDirectiveSyntax, where_,
                           "the arguments of macro '" + name.text + "' do not end");
      }
      PpToken t = std::move(input.back());
      input.pop_back();
      if (IsPunct(t, "(")) {
        ++level;
      } else if (IsPunct(t, ")")) {
        if (level == 0) {
          hide = Intersect(hide, t.hide);
          break;
        }
        --level;
      } else if (IsPunct(t, ",") && level == 0 &&
                 !(macro.variadic && args.size() == macro.params.size())) {
        args.emplace_back();
        continue;
      }
      args.back().push_back(std::move(t));
    }
    if (macro.params.empty() && args.size() == 1 && args[0].empty())
      args.clear();
    if (macro.variadic && args.size() + 1 == macro.params.size())
      args.emplace_back();
    if (args.size() != macro.params.size())
      throw CompileError(ErrorCode::kDirectiveSyntax, where_,
                         "macro '" + name.text + "' takes " + std::to_string(macro.params.size()) +
                             " argument" + (macro.params.size() == 1 ? "" : "s") + ", not " +
                             std::to_string(args.size()));
  }
  if (++expansions_ > maxExpansions_)
    throw CompileError(ErrorCode::kDirectiveSyntax, where_, "macro expansion too large");
  hide = With(hide, macro.id);
  std::vector<PpToken> body = Substitute(macro, args, hide, depth);
  Count(body.size());
  if (!body.empty())
    body.front().space = name.space;
  else if (name.space && !input.empty())
    input.back().space = true; // an empty expansion leaves its blank to what follows
  for (auto t = body.rbegin(); t != body.rend(); ++t)
    input.push_back(std::move(*t));
  return true;
}

std::vector<PpToken> Macros::Substitute(const Definition& macro,
                                        const std::vector<std::vector<PpToken>>& args,
                                        std::uint32_t hide, int depth) {
  std::vector<PpToken> result;
  std::size_t room = macro.body.size();
  for (const auto& arg : args)
    room += arg.size();
  result.reserve(room);
  std::vector<std::vector<PpToken>> expanded(args.size());
  std::vector<bool> done(args.size(), false);
  auto expandedArg = [&](int p) -> const std::vector<PpToken>& {
    if (!done[p]) {
      TokenStack input(args[p].rbegin(), args[p].rend());
      Count(input.size());
      ExpandTokens(input, expanded[p], depth + 1);
      done[p] = true;
    }
    return expanded[p];
  };
  auto placemarker = [] {
    PpToken t;
    t.kind = PpToken::kPlacemarker;
    return t;
  };
  const std::vector<PpToken>& body = macro.body;
  const std::size_t n = body.size();
  const bool fn = macro.functionLike;
  auto stringizes = [&](std::size_t i) {
    return fn && IsPunct(body[i], "#") && i + 1 < n && macro.paramOf[i + 1] >= 0;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const PpToken& t = body[i];
    if (stringizes(i)) {
      result.push_back(Stringize(args[macro.paramOf[i + 1]]));
      result.back().space = t.space;
      ++i;
      continue;
    }
    if (IsPunct(t, "##") && !result.empty() && i + 1 < n) {
      ++i;
      std::vector<PpToken> right;
      const int q = macro.paramOf[i];
      if (stringizes(i)) {
        right.push_back(Stringize(args[macro.paramOf[i + 1]]));
        ++i;
      } else if (q >= 0) {
        // GNU's ", ## __VA_ARGS__": the comma goes when there are no variable arguments.
        if (macro.variadic && q + 1 == static_cast<int>(macro.params.size()) &&
            IsPunct(result.back(), ",")) {
          if (args[q].empty())
            result.pop_back();
          else
            result.insert(result.end(), args[q].begin(), args[q].end());
          continue;
        }
        right = args[q];
        if (right.empty())
          right.push_back(placemarker());
      } else {
        right.push_back(body[i]);
      }
      Paste(result, right);
      continue;
    }
    const int p = macro.paramOf[i];
    if (p < 0) {
      result.push_back(t);
      continue;
    }
    const bool pasted = i + 1 < n && IsPunct(body[i + 1], "##");
    const std::vector<PpToken>& arg = pasted ? args[p] : expandedArg(p);
    if (arg.empty()) {
      if (pasted) {
        result.push_back(placemarker());
        result.back().space = t.space; // for what it is pasted with
      }
      continue;
    }
    const std::size_t first = result.size();
    result.insert(result.end(), arg.begin(), arg.end());
    result[first].space = t.space;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < result.size(); ++i) {
    if (result[i].kind == PpToken::kPlacemarker)
      continue;
    result[i].hide = Union(result[i].hide, hide);
    if (kept != i)
      result[kept] = std::move(result[i]);
    ++kept;
  }
  result.resize(kept);
  return result;
}

void Macros::Paste(std::vector<PpToken>& result, const std::vector<PpToken>& right) {
  PpToken& left = result.back();
  std::size_t from = 1;
  if (right.front().kind == PpToken::kPlacemarker) {
  } else if (left.kind == PpToken::kPlacemarker) {
    const bool space = left.space;
    left = right.front();
    left.space = space;
  } else {
    const bool space = left.space;
    std::vector<PpToken> joined;
    LexPp(left.text + right.front().text, joined);
    result.pop_back();
    if (!joined.empty())
      joined.front().space = space;
    result.insert(result.end(), joined.begin(), joined.end());
  }
  result.insert(result.end(), right.begin() + static_cast<std::ptrdiff_t>(from), right.end());
}

std::uint32_t Macros::Intern(std::vector<std::uint32_t> members) {
  if (members.empty())
    return 0;
  if (members.size() > static_cast<std::size_t>(kMaxDepth))
    throw CompileError(ErrorCode::kDirectiveSyntax, where_, "macros nested too deeply");
  std::string key(reinterpret_cast<const char*>(members.data()),
                  members.size() * sizeof members[0]);
  auto found = setIndex_.find(key);
  if (found != setIndex_.end())
    return found->second;
  const auto id = static_cast<std::uint32_t>(sets_.size());
  sets_.push_back(std::move(members));
  setIndex_.emplace(std::move(key), id);
  return id;
}

std::uint32_t Macros::With(std::uint32_t set, std::uint32_t id) {
  const std::uint64_t key = (static_cast<std::uint64_t>(set) << 32) | id;
  auto found = withCache_.find(key);
  if (found != withCache_.end())
    return found->second;
  std::vector<std::uint32_t> members = sets_[set];
  auto at = std::lower_bound(members.begin(), members.end(), id);
  if (at == members.end() || *at != id)
    members.insert(at, id);
  const std::uint32_t result = Intern(std::move(members));
  withCache_.emplace(key, result);
  return result;
}

std::uint32_t Macros::Union(std::uint32_t a, std::uint32_t b) {
  if (a == 0 || a == b)
    return b;
  if (b == 0)
    return a;
  const std::uint64_t key = (static_cast<std::uint64_t>(a) << 32) | b;
  auto found = unionCache_.find(key);
  if (found != unionCache_.end())
    return found->second;
  std::uint32_t result = a;
  for (std::uint32_t id : std::vector<std::uint32_t>(sets_[b]))
    result = With(result, id);
  unionCache_.emplace(key, result);
  return result;
}

std::uint32_t Macros::Intersect(std::uint32_t a, std::uint32_t b) {
  if (a == b)
    return a;
  if (a == 0 || b == 0)
    return 0;
  std::vector<std::uint32_t> members;
  std::set_intersection(sets_[a].begin(), sets_[a].end(), sets_[b].begin(), sets_[b].end(),
                        std::back_inserter(members));
  return Intern(std::move(members));
}

bool Macros::Contains(std::uint32_t set, std::uint32_t id) const {
  return set != 0 && std::binary_search(sets_[set].begin(), sets_[set].end(), id);
}

} // namespace rc
