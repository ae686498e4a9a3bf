// The envelope picture: the volume envelope (attack, decay, sustain,
// release) and the pitch envelope (attack, decay, release around its depth)
// of the instrument on show, drawn from its shared record on one time scale.
#pragma once

#include <QWidget>
#include <array>

#include "contract/parameter_map.h"

class ShownInstrument;

class Visualizer : public QWidget {
    Q_OBJECT
public:
    // Draws the envelopes of the instrument `shown` names; an empty
    // picture while it names none.
    explicit Visualizer(const ShownInstrument& shown, QWidget* parent = nullptr);

    // Another instrument is on show: redraws.
    void shownChanged();
    // Repaints only when one of the envelope parameters changed.
    void poll();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // From vol A to the pitch envelope's depth.
    static constexpr int kFirst = parameter_map::instrument::kVolA;
    static constexpr int kCount = parameter_map::instrument::kPitchEg - kFirst + 1;
    using Envelope = std::array<float, kCount>;

    Envelope read() const;

    const ShownInstrument& instrument;
    Envelope drawn{};
};
