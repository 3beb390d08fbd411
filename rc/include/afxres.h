/* Included by scripts that Visual Studio wrote for MFC projects. */
#ifndef THEMEFOLD_AFXRES_H
#define THEMEFOLD_AFXRES_H
#include <winres.h>
#endif
