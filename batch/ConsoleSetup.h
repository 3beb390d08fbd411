#pragma once
// What the operating system needs before a console run; one file per platform.

namespace batch {

/// Called first in main.
void PrepareConsole();

} // namespace batch
