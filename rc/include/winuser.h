#ifndef THEMEFOLD_WINUSER_H
#define THEMEFOLD_WINUSER_H
#include <winuser.rh>
#endif
