#ifndef THEMEFOLD_COMMCTRL_H
#define THEMEFOLD_COMMCTRL_H
#include <commctrl.rh>
#endif
