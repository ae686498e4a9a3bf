// The envelope picture: the volume envelope (attack, decay, sustain,
// release) and the pitch envelope (attack, decay, release around its depth)
// of the instrument on show, drawn from its shared record on one time scale.
#pragma once

#include <QWidget>
#include <array>

struct InstrumentData;

class Visualizer : public QWidget {
    Q_OBJECT
public:
    explicit Visualizer(QWidget* parent = nullptr);

    // Null: an empty picture.
    void setInstrument(const InstrumentData* record);
    // Repaints only when one of the envelope parameters changed.
    void poll();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kFirst = 10;  // vol A; the envelope runs to 17, pitch EG depth
    static constexpr int kCount = 8;
    using Envelope = std::array<float, kCount>;

    Envelope read() const;

    const InstrumentData* instrument = nullptr;
    Envelope shown{};
};
