// One instrument's row: its name, meter and MIDI channel, and a control for
// each of its parameters, read from and shown as in its shared record.
// Clicking the name shows its waveform; the context menu resets, copies,
// clones and removes it and sets its MIDI channel.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

#include "contract/instrument_data.h"

class Control;
class PluginLink;
class QLabel;
class QMenu;
class ShownInstrument;
class Vumeter;

class InstrumentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kParameters = InstrumentData::kParameterCount;

    // Reaches the plug-in through `link`; clicking its name (or its wave
    // switch on) puts it on show in `shown`.
    InstrumentView(PluginLink& link, ShownInstrument& shown, int32_t id, const QString& name,
                   InstrumentData* record, QWidget* parent = nullptr);

    int32_t id() const { return instrumentId; }
    // The name the plug-in keeps, and the one the row shows: the same, or
    // followed by " 2", " 3" ... where rows above share it.
    QString name() const { return instrumentName; }
    QString shownName() const { return shownTitle; }
    // The row is the `alike`-th of its name (1: the first, shown as it is).
    void setShownName(int alike);
    InstrumentData* record() const { return shared; }
    Control* control(int parameter) const { return controls[parameter]; }
    Vumeter* meter() const { return vumeter; }

    // Parameter p took a value in the plug-in.
    void setParameter(int parameter, float value);
    // Marks the instrument whose waveform is on show.
    void setSelected(bool selected);
    bool isSelected() const { return selected; }
    // The 20 ms poll: meter level and MIDI channel from the record.
    void poll();
    // The context menu that a right click opens, built afresh each time
    // from the instruments there are now.
    std::unique_ptr<QMenu> contextMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString channelText() const;
    void showWaveform();

    PluginLink& link;
    ShownInstrument& shown;
    const int32_t instrumentId;
    const QString instrumentName;
    QString shownTitle;
    QLabel* title = nullptr;
    InstrumentData* shared;
    std::array<Control*, kParameters> controls{};
    Vumeter* vumeter = nullptr;
    QLabel* channelLabel = nullptr;
    int32_t shownChannel = -2;
    bool selected = false;
};
