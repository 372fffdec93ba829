#pragma once
// The program's Qt menus as the validator sees them.

#include "MASShortcuts/mas_shortcut_validator.h"

class QMenuBar;

MASMenu menuFromQt(const QMenuBar* menuBar);
