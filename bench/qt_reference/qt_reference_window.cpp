// The window benchmarks' reference: the least a Qt 6 program does to show a
// window of the editor's size with some text in it, reporting its first
// paint the way the editor program does (a word into the FIFO that
// QUAXEL2_UI_TIMING names). Its start-up is the floor under the editor's.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdlib>

#include "contract/window_size.h"

namespace {

class Window : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x20, 0x22, 0x26));
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, "reference");
        if (reported) return;
        reported = true;
        QTimer::singleShot(0, this, [] {
            const char* path = std::getenv("QUAXEL2_UI_TIMING");
            const int fd = path ? open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC) : -1;
            if (fd < 0) return;
            if (write(fd, "painted\n", 8) != 8) QCoreApplication::exit(1);
            ::close(fd);
        });
    }

private:
    bool reported = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Window window;
    window.setFixedSize(window_size::kWidth, window_size::kHeight);
    window.show();
    return application.exec();
}
