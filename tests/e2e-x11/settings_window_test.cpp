// The settings dialog as a user opens it from the logo of the embedded
// editor: named, kept above the host's window, and gone with the editor.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "editor-program/layout.h"
#include "tests/e2e-x11/editor_window_fixture.h"

using namespace x11_test;

namespace {

class SettingsWindow : public EditorWindow {
protected:
    // The id of the window titled "Quaxel2 settings", or "" within `ms`.
    std::string dialogWindow(int ms) {
        for (int waited = 0;; waited += 100) {
            std::string found = run("DISPLAY=" + server->display + " xdotool search --name '^Quaxel2 settings$' 2>/dev/null");
            found = found.substr(0, found.find('\n'));
            if (!found.empty() || waited >= ms) return found;
            sleepMs(100);
        }
    }
    // The window WM_TRANSIENT_FOR of `id` names, in decimal; "" when unset.
    std::string transientFor(const std::string& id) {
        const std::string line = run("DISPLAY=" + server->display + " xprop -id " + id + " WM_TRANSIENT_FOR");
        const std::size_t hex = line.find("0x");
        return hex == std::string::npos ? "" : std::to_string(std::strtoul(line.c_str() + hex, nullptr, 16));
    }
};

TEST_F(SettingsWindow, OpenAboveTheHostAndCloseWithTheEditor) {
    ASSERT_TRUE(editorEmbeddedIn(window));
    const QPoint logo = layout::kLogo.center();
    xdotool(moveTo(logo.x(), logo.y()) + "click 1");
    const std::string dialog = dialogWindow(5000);
    ASSERT_FALSE(dialog.empty()) << "no window titled \"Quaxel2 settings\" after a click on the logo";
    EXPECT_EQ(transientFor(dialog), window);

    host->send("close");
    for (int tries = 0; tries < 30 && !dialogWindow(0).empty(); tries++) sleepMs(100);
    EXPECT_EQ(dialogWindow(0), "") << "the settings outlived the editor";
}

}  // namespace
