// The instrument on show: the one whose waveform, markers, status texts,
// envelope picture and highlighted row the window shows. It is held here
// and only here; everything in the panel asks for it and follows its
// `changed` signal.
//
// It is kept as the instrument's shared record (slot), not as its id: a
// removal renumbers the rack, and the record of an instrument stays with it
// while its id changes. The id is read from the record whenever needed.
#pragma once

#include <QObject>
#include <cstdint>

struct InstrumentData;

class ShownInstrument : public QObject {
    Q_OBJECT
public:
    // The record, or null when nothing is on show.
    InstrumentData* record() const { return slot; }
    // Its id now; -1 when nothing is on show or the record was freed.
    int32_t id() const;
    // Its id when it was last settled: where it stood in the rack.
    int32_t lastId() const { return settledId; }
    // Whether the plug-in applies marker changes to it.
    bool markersMovable() const;

    // Shows the instrument of `record` (null: nothing) and tells everyone,
    // even when it was on show already: its sample may have changed.
    void show(InstrumentData* record);
    // Notes the id it has now, after a renumbering.
    void settle();

signals:
    // Another instrument is on show, or the same one again from the start.
    void changed();
    // The same instrument now has another id.
    void renumbered();

private:
    InstrumentData* slot = nullptr;
    int32_t settledId = -1;
};
