// The on-screen keyboard: 820 x 65, five octaves from
// layout::kKeyboardLowestNote (35 white keys), each C labelled with its
// octave. It lights the host's notes and plays notes of its own with the mouse.
#pragma once

#include <QWidget>
#include <array>

class PluginLink;

class Keyboard : public QWidget {
    Q_OBJECT
public:
    // Plays its notes through `link`: a press sends 144 with a velocity by
    // the vertical position on the key (1..127, louder lower down), a
    // release 128 with velocity 0; dragging across keys releases the old key
    // and starts the new one.
    explicit Keyboard(PluginLink& link, QWidget* parent = nullptr);
    // From the plug-in: 144 with velocity > 0 lights, 128 (or 144 velocity 0)
    // darkens; the channel nibble is ignored, other statuses are. Repaints
    // only that key's rect, and only when the key changes.
    void showNote(int status, int note, int velocity);
    // The key's rectangle (black keys on top), empty outside the range.
    QRect keyRect(int note) const;
    // -1 outside.
    int noteAt(const QPoint& position) const;
    // Lit by the host or held by the mouse.
    bool isLit(int note) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kNotes = 60;  // five octaves
    static constexpr int kBlackKeyWidth = 14;
    static constexpr int kBlackKeyHeight = 40;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void play(int note, const QPoint& position);
    void stopPlaying();
    void setHostLit(int note, bool lit);

    PluginLink& link;
    std::array<bool, kNotes> hostLit_{};
    int playing_ = -1;  // the note the mouse holds
};
