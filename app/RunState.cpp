#include "app/RunState.h"

bool DarkTheme = false;
