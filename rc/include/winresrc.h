/* The resource compiler's view of the Windows headers. */
#ifndef THEMEFOLD_WINRESRC_H
#define THEMEFOLD_WINRESRC_H
#ifndef WINVER
#define WINVER 0x0502
#endif
#ifndef _WIN32_IE
#define _WIN32_IE 0x0501
#endif
#ifndef _WIN32_WINDOWS
#define _WIN32_WINDOWS 0x0502
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0502
#endif
#include <winuser.rh>
#include <commctrl.rh>
#include <winnt.rh>
#include <dlgs.h>
#include <winver.h>
#endif
