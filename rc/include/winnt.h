#ifndef THEMEFOLD_WINNT_H
#define THEMEFOLD_WINNT_H
#include <winnt.rh>
#endif
