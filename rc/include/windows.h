/* What resource scripts need of the Windows headers: the constants of winresrc.h. */
#ifndef THEMEFOLD_WINDOWS_H
#define THEMEFOLD_WINDOWS_H
#include <sdkddkver.h>
#include <winresrc.h>
#endif
