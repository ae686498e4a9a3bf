// The product name "Quaxel2" with a small "sampler" under it, on the dark
// panel; a click opens the configuration dialog.
#pragma once

#include <QFont>
#include <QWidget>

class LogoWidget : public QWidget {
    Q_OBJECT
public:
    explicit LogoWidget(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Opens the configuration dialog (wired by others).
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QFont nameFont_;
    QFont subtitleFont_;
    int nameAscent_ = 0;
    int nameAdvance_ = 0;
    int subtitleAscent_ = 0;
    bool pressed_ = false;
};
