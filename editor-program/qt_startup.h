// What must happen before the QApplication exists: an environment that
// gives the window exactly the pixel size the host is told, whatever the
// desktop's own scaling, and a check that an X server is reachable (Qt
// would abort the process without one).
#pragma once

// Sets the platform to xcb (unless a test asked for "offscreen"), turns off
// every kind of scaling of the desktop's and scales the whole window by
// `percent` instead (QT_SCALE_FACTOR): fonts and lines are drawn at the
// larger size, not magnified.
void prepareQtEnvironment(int percent);

// True when the window can be shown: the offscreen platform, or an X server
// that accepts a connection. Otherwise prints one line saying why.
bool displayReachable();

// The window size that matches the desktop's scale, which X desktops
// publish as the Xft.dpi resource (96 at 100 %) and Qt reads from there:
// the nearest of 100, 150 and 200 %, or 100 when the desktop says nothing.
int desktopWindowScale();
// The same from the text of the X resources.
int windowScaleOfResources(const char* resources);
