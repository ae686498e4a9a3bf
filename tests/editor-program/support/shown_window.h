// The editor's window on a bridge of its own, shown, as the window tests
// open it before each test and close it after.
#pragma once

#include <QTest>

#include <memory>

#include "editor-program/main_widget.h"
#include "tests/editor-program/support/bridge_fixture.h"

struct ShownWindow {
    std::unique_ptr<BridgeFixture> bridge;
    std::unique_ptr<MainWidget> window;

    // False when the window was never shown.
    bool openWindow() {
        bridge = std::make_unique<BridgeFixture>();
        window = std::make_unique<MainWidget>(bridge->link());
        bridge->link().setWindow(window.get());
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    void closeWindow() {
        window.reset();
        bridge.reset();
    }
};
