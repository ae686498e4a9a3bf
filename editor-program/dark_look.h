// Gives the standard widgets (browser tree, scroll bars, menus, dialogs) the
// same dark look as the painted controls.
#pragma once

#include <QPalette>

class QApplication;

// The palette of the dark look.
QPalette darkPalette();
void applyDarkLook(QApplication& application);
