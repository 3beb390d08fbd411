#pragma once
// The program's title: its settings' application name, the title of its windows and dialogs.
// A plain #define so resource scripts can include it too.

#define THEMEFOLD_APP_TITLE "Themefold"
