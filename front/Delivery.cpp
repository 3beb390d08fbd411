#include "front/Delivery.h"

#include "front/Ways.h"

namespace front {

namespace {

/// The components not found come first: the user asked for them.
Result WithComponentWarnings(Result result, const Request& request) {
  result.warnings.insert(result.warnings.begin(), request.componentWarnings.begin(),
                         request.componentWarnings.end());
  return result;
}

} // namespace

Result Deliverer::Deliver(const Request& request) {
  switch (request.way) {
  case Way::Generate: {
    if (generating_)
      return Result();
    generating_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{generating_};
    return Generate(files_, conversation_, request);
  }
  case Way::Project:
    return SetUpProject(files_, conversation_, request);
  case Way::Embed:
    return WithComponentWarnings(EmbedInProgram(files_, request), request);
  case Way::Beside:
    return WithComponentWarnings(WriteBeside(files_, request, wording_), request);
  }
  return Result();
}

void Allow(Request& request, base::Setting setting) {
  switch (setting) {
  case base::Setting::KeepOverlay:
    request.keepOverlay = true;
    break;
  case base::Setting::StripSignature:
    request.stripSignature = true;
    break;
  case base::Setting::None:
    break;
  }
}

} // namespace front
