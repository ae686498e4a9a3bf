// Puts the editor's main widget inside the host's X11 window. Qt 6 has no
// embedding widget, so a top-level "carrier" of the fixed size holds the UI
// and its native window is re-parented into the host's through Qt, which
// then knows it is embedded (popups and menus open in the right place).
//
// When the host destroys its window, X destroys the carrier with it: the UI
// is taken out first, so the widgets and their state survive until the next
// `embedInto` gives them a new carrier.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <functional>

// The carrier that holds the main widget now, or null between a host window's
// end and the next re-attach.
extern QWidget* g_embedWidget;

class Embedder : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // `ui` is the main widget; `containerClosed` runs when the host's window
    // has gone.
    Embedder(QWidget& ui, std::function<void()> containerClosed);
    ~Embedder() override;

    // Shows the UI inside window `host` (0: as a window of its own). A
    // previous embedding is left first.
    void embedInto(uint64_t host);

    // The host's window the UI is in now; 0 for none.
    uint64_t host() const { return hostId; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    void makeCarrier();
    // Takes the UI out of the carrier, which leaves the host's window (if
    // both still exist) and is deleted.
    void dropCarrier();
    // The host's window and the carrier are gone on the X server.
    void carrierDestroyed();

    QWidget& ui;
    std::function<void()> containerClosed;
    QPointer<QWidget> carrier;
    QPointer<QWindow> hostWindow;  // Qt's stand-in for the foreign window
    uint32_t carrierId = 0;
    uint64_t hostId = 0;
    bool carrierGone = false;  // X destroyed it; the clean-up is queued
    bool onX11 = false;
};
