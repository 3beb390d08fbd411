#ifndef THEMEFOLD_NTDEF_H
#define THEMEFOLD_NTDEF_H
#include <winnt.rh>
#endif
