// POSIX only: no common dialog. The user cancels.
#include "platform/Platform.h"

namespace platform {

bool RunFileDialog(FileDialogRecord&) { return false; }

} // namespace platform
