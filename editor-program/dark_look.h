// Gives the standard widgets (browser tree, scroll bars, menus, dialogs) the
// same dark look as the painted controls.
#pragma once

class QApplication;

void applyDarkLook(QApplication& application);
