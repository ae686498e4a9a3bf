// The window tests' fixture: one private X server for a suite, a fresh
// editor host on it for each test, and the xdotool moves relative to the
// host's window.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e-x11/x11_harness.h"

namespace x11_test {

inline void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline std::string windowOf(const std::string& line) { return line.substr(line.find(' ') + 1); }

class EditorWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (installed("Xvfb") && installed("xdotool") && installed("xwininfo")) server = std::make_unique<XServer>();
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        if (!server) GTEST_SKIP() << "needs Xvfb, xdotool and xwininfo (packages xvfb, xdotool, x11-utils)";
        ASSERT_TRUE(server->running()) << "Xvfb did not start on any display from :90 on";
        // Settings of the test's own: not the user's, nor another test's.
        char folder[] = "/tmp/quaxel2-x11-config-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        configHome = folder;
        prepare(configHome + "/Quaxel2/UIQuaxel2VST.conf");
        host = std::make_unique<HostProcess>(server->display, configHome);
        const std::string line = host->take("window", 15000);
        ASSERT_FALSE(line.empty()) << "the host printed no window";
        window = windowOf(line);
    }

    void TearDown() override {
        host.reset();
        if (!configHome.empty()) run("rm -rf '" + configHome + "'");
        for (const std::string& image : images) unlink(image.c_str());
    }

    // A name for a picture file that lives as long as the test.
    std::string newImage() {
        const std::string image = "/tmp/quaxel2-x11-" + std::to_string(getpid()) + "-" +
                                  std::to_string(images.size()) + ".png";
        images.push_back(image);
        return image;
    }
    // The whole host window, as such a file.
    std::string grab() {
        const std::string image = newImage();
        run("DISPLAY=" + server->display + " import -window " + window + " " + image + " 2>/dev/null");
        return image;
    }

    // Before the host starts: the editor program's settings file may be
    // written (there is none by default), the test's X server set up.
    virtual void prepare(const std::string& /*settingsFile*/) {}

    // Whether the editor shows in `id` at `geometry` within ten seconds.
    bool editorEmbeddedIn(const std::string& id, const std::string& geometry = "820x505+0+0") {
        for (int tries = 0; tries < 100; tries++) {
            const std::vector<std::string> children = childGeometries(server->display, id);
            if (std::find(children.begin(), children.end(), geometry) != children.end()) return true;
            sleepMs(100);
        }
        return false;
    }

    // xdotool with the pointer placed relative to the host window.
    void xdotool(const std::string& actions) {
        run("DISPLAY=" + server->display + " xdotool " + actions + " >/dev/null 2>&1");
    }
    std::string moveTo(int x, int y) {
        return "mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.05 ";
    }

    static inline std::unique_ptr<XServer> server;
    std::unique_ptr<HostProcess> host;
    std::string window;
    std::string configHome;
    std::vector<std::string> images;
};

}  // namespace x11_test
