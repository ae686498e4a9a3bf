// What must happen before the QApplication exists: an environment that
// gives the window exactly its fixed pixel size whatever the desktop's
// scaling, and a check that an X server is reachable (Qt would abort the
// process without one).
#pragma once

// Sets the platform to xcb (unless a test asked for "offscreen") and turns
// off every kind of scaling.
void prepareQtEnvironment();

// True when the window can be shown: the offscreen platform, or an X server
// that accepts a connection. Otherwise prints one line saying why.
bool displayReachable();
