#pragma once
// Why something was not done, as a value: made where the reason is found, worded by the front
// end that shows it. The same shape for every layer; each layer has its own codes.

#include <string>
#include <utility>
#include <vector>

namespace base {

/// What the user can set to get past a refusal. Each front end names it in its own words: the
/// batch its option, the window its control.
enum class Setting {
  None,           ///< nothing the user can set lifts it
  KeepOverlay,    ///< copy the data after the last section along
  StripSignature, ///< remove an Authenticode signature
};

/// A refusal with the code of the layer that found it.
template <typename Code> struct Refusal {
  Code code{};
  /// The setting that lifts it, when one does.
  Setting liftedBy = Setting::None;
  /// What the words need, in the order the code's wording documents: names, sizes, a reason
  /// from a lower layer.
  std::vector<std::string> facts;

  Refusal() = default;
  explicit Refusal(Code c, std::vector<std::string> f = {}, Setting lift = Setting::None)
      : code(c), liftedBy(lift), facts(std::move(f)) {}

  /// The fact at index, "" where there is none.
  const std::string& Fact(std::size_t index) const {
    static const std::string none;
    return index < facts.size() ? facts[index] : none;
  }
};

} // namespace base
