/* As Visual Studio's resource editor includes it. */
#ifndef THEMEFOLD_WINRES_H
#define THEMEFOLD_WINRES_H
#include <winresrc.h>
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#endif
