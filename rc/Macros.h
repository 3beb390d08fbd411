#pragma once
// The macros of the preprocessor: definitions and C's expansion rules. Object-like and
// function-like macros, `#` and `##`, variadic ones (`__VA_ARGS__`, GNU's `args...` and
// `, ## __VA_ARGS__`), rescanning with hide sets so that no macro expands inside its own
// expansion.
//
// Lines without a defined name pass through untouched; only the part of a line from the
// first macro on is split into preprocessing tokens and written back with one blank
// wherever there was space.

#include "rc/Token.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace rc {

class Macros {
public:
  // Bounds that end macro bombs in a message. The number of expansions and the tokens
  // they produce are a budget for the whole compilation (one object per compilation),
  // so that a thousand lines that each stay within a line's bounds cannot take minutes;
  // the tokens and text of one line are bounded too (the memory it takes), and so is how
  // many macros deep one expansion may go (a chain of distinct macros, or arguments
  // inside arguments).
  static constexpr int kMaxDepth = 200;
  static constexpr std::size_t kMaxExpansions = 1u << 20;
  static constexpr std::size_t kMaxTokens = 1u << 21;
  static constexpr std::size_t kMaxLineTokens = 1u << 18;
  static constexpr std::size_t kMaxSize = 32u << 20;

  Macros();
  /// With another budget for the compilation than kMaxExpansions and kMaxTokens.
  Macros(std::size_t maxExpansions, std::size_t maxTokens);

  /// "NAME body" or "NAME(params) body", the rest of a #define line.
  void Define(std::string_view definition, const Location& where);
  /// /d NAME=VALUE.
  void DefineObject(const std::string& name, std::string_view value);
  void Undefine(std::string_view name);
  bool IsDefined(std::string_view name) const { return Find(name) != nullptr; }

  /// #pragma push_macro / pop_macro.
  void Push(std::string_view name);
  void Pop(std::string_view name);

  /// Whether a call whose arguments run past the end of the text is an error, or
  /// Unfinished: the caller may add the next line and try again.
  enum class Call { kMustEnd, kMayContinue };
  struct Unfinished {
    std::string name;
  };

  /// Appends text with every macro expanded.
  void Expand(std::string_view text, const Location& where, std::string& out,
              Call call = Call::kMustEnd);

  /// Where the first defined macro's name starts, outside strings; npos when none does.
  std::size_t FirstMacro(std::string_view text) const;

  struct PpToken {
    enum Kind : std::uint8_t { kIdentifier, kNumber, kString, kChar, kPunct, kPlacemarker };
    Kind kind = kPunct;
    bool space = false;     // white space came before it
    std::uint32_t hide = 0; // hide set: the macros that must not expand this name
    std::string text;
  };

private:
  struct Definition {
    std::uint32_t id = 0; // in hide sets
    bool functionLike = false;
    bool variadic = false; // the last parameter takes the variable arguments
    std::vector<std::string> params;
    std::vector<PpToken> body;
    std::vector<int> paramOf; // per body token: the parameter it names, or -1
  };
  using TokenStack = std::vector<PpToken>; // the next token is at the back

  const Definition* Find(std::string_view name) const;
  void Set(std::string_view name, Definition definition);

  // Expands tokens (taken from the back of input) into out, appending.
  void ExpandTokens(TokenStack& input, std::vector<PpToken>& out, int depth);
  bool ExpandOne(const PpToken& name, const Definition& macro, TokenStack& input, int depth);
  std::vector<PpToken> Substitute(const Definition& macro,
                                  const std::vector<std::vector<PpToken>>& args, std::uint32_t hide,
                                  int depth);
  void Paste(std::vector<PpToken>& result, const std::vector<PpToken>& right);
  void Count(std::size_t tokens);

  // Hide sets are interned: 0 is the empty set; each other is a sorted list of macro ids.
  std::uint32_t With(std::uint32_t set, std::uint32_t id);
  std::uint32_t Union(std::uint32_t a, std::uint32_t b);
  std::uint32_t Intersect(std::uint32_t a, std::uint32_t b);
  bool Contains(std::uint32_t set, std::uint32_t id) const;
  std::uint32_t Intern(std::vector<std::uint32_t> members);
  std::uint32_t IdOf(std::string_view name);

  std::deque<std::string> names_; // stable storage for the keys below
  std::unordered_map<std::string_view, Definition> macros_;
  // Which first letters and lengths (modulo 64) names of macros have had: most names in
  // a script are no macro, and these answer that without hashing.
  std::uint64_t lengths_ = 0;
  std::uint64_t firsts_[2] = {0, 0};
  std::unordered_map<std::string_view, std::vector<std::pair<bool, Definition>>> pushed_;
  std::unordered_map<std::string_view, std::uint32_t> ids_;
  std::vector<std::vector<std::uint32_t>> sets_;
  std::unordered_map<std::string, std::uint32_t> setIndex_;
  std::unordered_map<std::uint64_t, std::uint32_t> withCache_;
  std::unordered_map<std::uint64_t, std::uint32_t> unionCache_;
  Location where_;
  Call call_ = Call::kMustEnd;
  std::size_t maxExpansions_ = kMaxExpansions;
  std::size_t maxTokens_ = kMaxTokens;
  std::size_t expansions_ = 0; // in this compilation
  std::size_t tokens_ = 0;     // in this compilation
  std::size_t lineTokens_ = 0; // in this line
};

/// The C identifier at the start of s (empty when none), taken off s.
std::string_view TakeIdentifier(std::string_view& s);

/// Where a script string starting at text[i] ends (one past the closing quote, or the end
/// of the text when it is unterminated). "" inside is a quote, as rc reads it.
std::size_t StringEnd(std::string_view text, std::size_t i);

/// Splits text into preprocessing tokens, appending to out.
void LexPp(std::string_view text, std::vector<Macros::PpToken>& out);

} // namespace rc
