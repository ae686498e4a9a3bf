#include "editor-program/embedder.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include "editor-program/layout.h"

QWidget* g_embedWidget = nullptr;

namespace {

constexpr uint8_t kBadWindow = 3;
constexpr uint8_t kBadDrawable = 9;

}  // namespace

Embedder::Embedder(QWidget& ui, std::function<void()> containerClosed)
    : ui(ui), containerClosed(std::move(containerClosed)), onX11(QGuiApplication::platformName() == "xcb") {
    if (onX11) QCoreApplication::instance()->installNativeEventFilter(this);
}

Embedder::~Embedder() {
    if (onX11) QCoreApplication::instance()->removeNativeEventFilter(this);
    // The UI belongs to whoever made it, not to the carrier.
    if (carrier && ui.parentWidget() == carrier) ui.setParent(nullptr);
    delete carrier;
    delete hostWindow;
    g_embedWidget = nullptr;
}

void Embedder::makeCarrier() {
    carrier = new QWidget;
    carrier->setFixedSize(layout::kWidth, layout::kHeight);
    carrier->setWindowTitle("Quaxel2");
    ui.setParent(carrier);
    ui.move(0, 0);
    ui.show();
    // The native window exists from here on, still unmapped.
    carrierId = static_cast<uint32_t>(carrier->winId());
    g_embedWidget = carrier;
}

void Embedder::embedInto(uint64_t host) {
    // A re-attach can come before the queued clean-up of the old window.
    if (carrierGone) carrierDestroyed();
    // It can even come before X reports that the old window is gone: the
    // carrier's native window may have gone with it, so every window gets
    // a carrier of its own.
    if (carrier) dropCarrier();
    makeCarrier();
    hostId = host;
    if (onX11 && host != 0) {
        hostWindow = QWindow::fromWinId(static_cast<WId>(host));
        if (hostWindow) carrier->windowHandle()->setParent(hostWindow);
    }
    carrier->move(0, 0);
    carrier->show();
}

void Embedder::dropCarrier() {
    ui.setParent(nullptr);
    carrier->hide();
    if (carrier->windowHandle()) carrier->windowHandle()->setParent(nullptr);
    // Only now: the foreign window is the carrier's QObject parent until the
    // carrier has left it, and deleting it earlier would delete the carrier.
    delete hostWindow;
    // A DestroyNotify still on its way names the old id and is passed over.
    carrier->deleteLater();
    carrier = nullptr;
    carrierId = 0;
    g_embedWidget = nullptr;
}

void Embedder::carrierDestroyed() {
    carrierGone = false;
    if (!carrier) return;
    ui.setParent(nullptr);
    carrier->deleteLater();
    carrier = nullptr;
    carrierId = 0;
    hostId = 0;
    g_embedWidget = nullptr;
    if (hostWindow) hostWindow->deleteLater();
    hostWindow = nullptr;
    if (containerClosed) containerClosed();
}

bool Embedder::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t kind = event->response_type & 0x7f;
    if (kind == 0) {
        // Qt's own clean-up of a window the host destroyed asks about ids
        // that no longer exist; those errors say nothing we need.
        const auto* error = static_cast<const xcb_generic_error_t*>(message);
        return error->error_code == kBadWindow || error->error_code == kBadDrawable;
    }
    if (kind == XCB_DESTROY_NOTIFY && carrierId != 0) {
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (destroyed->window == carrierId && !carrierGone) {
            // After the filter returns; Qt still handles this event itself.
            carrierGone = true;
            QMetaObject::invokeMethod(this, [this] { if (carrierGone) carrierDestroyed(); }, Qt::QueuedConnection);
        }
    }
    return false;
}
