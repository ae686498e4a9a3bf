// The window as the plug-in and the user drive it, through real FIFOs and
// shared memory: what each control and menu sends, and what each of the
// plug-in's messages changes on screen.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include "editor-program/button.h"
#include "editor-program/control.h"
#include "editor-program/delay_view.h"
#include "editor-program/drop_widget.h"
#include "editor-program/global_view.h"
#include "editor-program/instrument_view.h"
#include "editor-program/keyboard.h"
#include "editor-program/knob.h"
#include "editor-program/main_widget.h"
#include "editor-program/slider.h"
#include "editor-program/status_bar.h"
#include "editor-program/treex.h"
#include "programs/program.h"
#include "resources/builtin_catalogue_names.h"
#include "tests/editor-program/support/bridge_fixture.h"
#include "tests/editor-program/support/shown_window.h"

Q_DECLARE_METATYPE(SentMessage)

namespace {

QAction* findAction(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) return action;
        if (action->menu())
            if (QAction* inner = findAction(*action->menu(), text)) return inner;
    }
    return nullptr;
}

// A wheel notch down over `widget`, as the window system delivers it: it
// goes on to the widgets around it while none takes it.
bool wheelDown(QWidget* widget, Qt::KeyboardModifiers modifiers) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    // sendEvent would mark it as the program's own, which stays where it is sent.
    QSpontaneKeyEvent::setSpontaneous(&event);
    return QApplication::instance()->notify(widget, &event);
}

}  // namespace

class MainWidgetTest : public QObject, ShownWindow {
    Q_OBJECT


    // Two instruments, ids 0 and 1, in slots 3 and 5 (slots are not ids).
    // The window shows the first one's waveform and asks the plug-in for it.
    void showTwoInstruments() {
        bridge->fillSlot(3, 0, "kick");
        bridge->fillSlot(5, 1, "voice");
        window->updateAndCreateView(bridge->records);
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{{fromUiShowWaveform, 0, 0, 0, 0, {}}}));
    }
    void deliver(const UiMessage& message) {
        bridge->toUi(message);
        bridge->link().processMessageFromPlugin();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QVERIFY(openWindow()); }
    void cleanup() { closeWindow(); }

    void controlsSendTheirGlobalIndex_data() {
        QTest::addColumn<int>("view");  // 0, 1: instrument id; 2: delay; 3: masters
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("index");
        QTest::addColumn<float>("value");
        // Knobs go back to their default on a double-click; switches toggle on a click.
        QTest::newRow("instrument 0 volume") << 0 << 0 << 0 << 1.0f;
        QTest::newRow("instrument 1 pan") << 1 << 1 << 23 << 0.5f;
        QTest::newRow("instrument 1 grain advance") << 1 << 21 << 43 << 0.82f;
        QTest::newRow("instrument 1 loop switch") << 1 << 5 << 27 << 1.0f;
        QTest::newRow("delay feedback") << 2 << 1 << 513 << 0.2f;
        QTest::newRow("delay ping-pong switch") << 2 << 6 << 518 << 1.0f;
        QTest::newRow("pitch-bend range") << 3 << 3 << 579 << 0.5f;
    }
    void controlsSendTheirGlobalIndex() {
        QFETCH(int, view);
        QFETCH(int, which);
        QFETCH(int, index);
        QFETCH(float, value);
        showTwoInstruments();
        Control* control = view < 2 ? window->instrumentView(view)->control(which)
                           : view == 2 ? window->delayView()->control(which)
                                       : static_cast<Control*>(window->globalView()->slider(which));
        control->setValue(0.25f);
        if (qobject_cast<Button*>(control)) {
            control->setValue(0.0f);
            QTest::mouseClick(control, Qt::LeftButton);
        } else {
            QTest::mouseDClick(control, Qt::LeftButton);
        }
        const auto sent = bridge->sent();
        QVERIFY(!sent.empty());
        QCOMPARE(sent.back().opcode, fromUiParameter);
        QCOMPARE(sent.back().first, index);
        QCOMPARE(sent.back().value, value);
    }

    // A double-click takes the delay's knobs and the master values where a
    // new program has them, whatever the delay or the plug-in started with.
    void doubleClickGivesANewProgramsValues() {
        const Program fresh;
        const float masters[GlobalView::kCount] = {fresh.masterVolume, fresh.masterTune, fresh.velocitySensitivity,
                                                   fresh.pitchBendRange};
        std::vector<std::pair<Control*, float>> expected;
        for (int i = 0; i < DelayView::kCount; i++)
            if (!qobject_cast<Button*>(window->delayView()->control(i)))
                expected.emplace_back(window->delayView()->control(i), fresh.delay.values[i]);
        for (int i = 0; i < GlobalView::kCount; i++) expected.emplace_back(window->globalView()->slider(i), masters[i]);
        QCOMPARE(expected.size(), size_t(9));  // five delay knobs, four sliders
        for (const auto& [control, value] : expected) {
            control->setValue(0.9f);
            QTest::mouseDClick(control, Qt::LeftButton);
            const auto sent = bridge->sent();
            QVERIFY(!sent.empty());
            QCOMPARE(sent.back().value, value);
        }
    }

    void keyboardAndDropsSendTheirMessages() {
        Keyboard* keys = window->keyboard();
        const QRect key = keys->keyRect(60);
        QTest::mousePress(keys, Qt::LeftButton, {}, key.center());
        QTest::mouseRelease(keys, Qt::LeftButton, {}, key.center());
        auto sent = bridge->sent();
        QCOMPARE(sent.size(), size_t(2));
        QCOMPARE(sent[0].opcode, fromUiMidi);
        QCOMPARE(sent[0].first, 144);
        QCOMPARE(sent[0].second, 60);
        QCOMPARE(sent[1].first, 128);

        QMimeData files;
        files.setUrls({QUrl::fromLocalFile("/tmp/a b.wav"), QUrl::fromLocalFile("/tmp/\u00e9t\u00e9.mp3")});
        QVERIFY(window->instrumentArea()->dropData(files));
        QMimeData sound;
        sound.setText(kCatalogueNames[0].name);
        QVERIFY(window->instrumentArea()->dropData(sound));
        sent = bridge->sent();
        QCOMPARE(sent.size(), size_t(3));
        QCOMPARE(sent[0], (SentMessage{fromUiLoadPath, 0, 0, 0, 0, "/tmp/a b.wav"}));
        QCOMPARE(sent[1], (SentMessage{fromUiLoadPath, 0, 0, 0, 0, "/tmp/\xc3\xa9t\xc3\xa9.mp3"}));  // UTF-8
        QCOMPARE(sent[2], (SentMessage{fromUiLoadString, 0, 0, 0, 0, kCatalogueNames[0].name}));
    }

    // Drops that would add nothing playable, or a 17th instrument, are
    // refused with a word in the status bar.
    void refusedDropsSaySo_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("instruments");
        QTest::addColumn<QString>("wantMessage");
        QTest::newRow("not a sound") << "caf\u00e9 pad" << 0
                                     << "\"caf\u00e9 pad\" is neither a built-in sound nor a sample file";
        QTest::newRow("a 17th") << QString(kCatalogueNames[0].name) << 16 << "16 instruments is the most a program holds";
    }

    void refusedDropsSaySo() {
        QFETCH(QString, text);
        QFETCH(int, instruments);
        QFETCH(QString, wantMessage);
        for (int id = 0; id < instruments; id++) bridge->fillSlot(id, id, "row");
        window->updateAndCreateView(bridge->records);
        bridge->sent();
        QMimeData sound;
        sound.setText(text);
        window->instrumentArea()->dropData(sound);
        QCOMPARE(bridge->sent(), std::vector<SentMessage>{});
        QCOMPARE(window->statusBar()->text(3), wantMessage);
    }

    void browserDragsCarryTheEntrysText() {
        Treex* browser = window->browser();
        QTreeWidgetItem* category = browser->topLevelItem(0);
        QCOMPARE(browser->headerItem()->text(0), QString("BROWSER"));
        QStringList categories;
        for (int i = 0; i < 5; i++) categories << browser->topLevelItem(i)->text(0);
        QCOMPARE(categories, (QStringList{"stabs", "stabs2", "stabs3", "synth", "voice"}));
        QTreeWidgetItem* entry = category->child(0);
        QVERIFY(entry);
        std::unique_ptr<QMimeData> data(browser->dragData({entry}));
        QCOMPARE(data->text(), entry->text(0));
        QVERIFY(window->instrumentArea()->dropData(*data));
        const auto sent = bridge->sent();
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(QString::fromLatin1(sent[0].text.c_str()), entry->text(0));
    }

    void contextMenuSendsAndWrites() {
        showTwoInstruments();
        InstrumentView* second = window->instrumentView(1);
        const auto menu = second->contextMenu();
        const QString other = "0: kick";
        QMenu* from = findAction(*menu, "copy parameters from:")->menu();
        QMenu* to = findAction(*menu, "copy parameters to:")->menu();
        for (QAction* action : {findAction(*menu, "reset parameters"), findAction(*from, other),
                                findAction(*to, other), findAction(*menu, "clone")})
            action->trigger();
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{{fromUiResetParameters, 1, 0, 0, 0, {}},
                                                            {fromUiCopyParameters, 0, 1, 0, 0, {}},
                                                            {fromUiCopyParameters, 1, 0, 0, 0, {}},
                                                            {fromUiClone, 1, 0, 0, 0, {}}}));
        findAction(*menu, "midi in 16")->trigger();
        QCOMPARE(bridge->records[5].midiChannel, 15);
        findAction(*menu, "midi omni")->trigger();
        QCOMPARE(bridge->records[5].midiChannel, -1);
        QCOMPARE(bridge->records[5].deleteRequest, uint8_t(0));
        findAction(*menu, "remove")->trigger();
        QCOMPARE(bridge->records[5].deleteRequest, uint8_t(1));
        QCOMPARE(bridge->records[3].deleteRequest, uint8_t(0));
    }

    void pluginMessagesUpdateTheirWidget() {
        showTwoInstruments();
        bridge->delayBlock()[8].value = 0.75f;  // master volume
        deliver(toUi::reload());
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{{fromUiShowWaveform, 0, 0, 0, 0, {}}}));
        QCOMPARE(window->instrumentViews().size(), size_t(2));
        QCOMPARE(window->globalView()->slider(0)->value(), 0.75f);

        deliver(toUi::parameter(22 + 2, 0.125f));
        deliver(toUi::parameter(512, 0.25f));
        deliver(toUi::parameter(577, 0.375f));
        QCOMPARE(window->instrumentView(1)->control(2)->value(), 0.125f);
        QCOMPARE(window->instrumentView(0)->control(2)->value(), 0.5f);
        QCOMPARE(window->delayView()->control(0)->value(), 0.25f);
        QCOMPARE(window->globalView()->slider(1)->value(), 0.375f);

        deliver(toUi::midi(144, 64, 100));
        QVERIFY(window->keyboard()->isLit(64));
        deliver(toUi::midi(128, 64, 0));
        QVERIFY(!window->keyboard()->isLit(64));

        bridge->fillSlot(0, 2, "snare");
        deliver(toUi::instrumentAdded(2, "snare"));
        QVERIFY(window->instrumentView(2));
        QCOMPARE(window->instrumentView(2)->name(), QString("snare"));
        // Nothing echoes back; the new instrument is shown.
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{{fromUiShowWaveform, 2, 0, 0, 0, {}}}));
    }

    // Which instrument is on show, after each change of the rack: the row
    // highlighted, the waveform asked for, and whose markers a drag moves.
    void shownInstrumentFollowsTheRack_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("wantShown");  // its name
        QTest::addColumn<int>("wantId");
        QTest::addColumn<bool>("asksForWaveform");
        // "voice" (id 1) is on show before each change.
        QTest::newRow("reload: new instruments, same position") << "reload" << "voice" << 1 << true;
        QTest::newRow("added: the new one") << "added" << "snare" << 2 << true;
        QTest::newRow("one before it removed: the same, renumbered") << "remove kick" << "voice" << 0 << false;
        QTest::newRow("itself removed: the one in its place") << "remove voice" << "snare" << 1 << true;
        QTest::newRow("the last removed: the one before") << "remove last" << "kick" << 0 << true;
        QTest::newRow("slot filled without its announcement") << "unannounced" << "voice" << 1 << false;
    }

    void shownInstrumentFollowsTheRack() {
        QFETCH(QString, change);
        QFETCH(QString, wantShown);
        QFETCH(int, wantId);
        QFETCH(bool, asksForWaveform);
        showTwoInstruments();
        if (change == "remove voice") {  // a third one to take its place
            bridge->fillSlot(8, 2, "snare");
            window->poll();
        }
        window->setWaveform(1);
        bridge->sent();

        if (change == "reload") {
            bridge->fillSlot(3, 0, "new kick");
            bridge->fillSlot(5, 1, "new voice");
            deliver(toUi::reload());
            wantShown = "new voice";
        } else if (change == "added") {
            bridge->fillSlot(0, 2, "snare");
            deliver(toUi::instrumentAdded(2, "snare"));
        } else if (change == "remove kick") {
            bridge->records[3].id = -1;
            bridge->records[5].id = 0;
        } else if (change == "remove voice") {
            bridge->records[5].id = -1;
            bridge->records[8].id = 1;
        } else if (change == "remove last") {
            bridge->records[5].id = -1;
            wantShown = "kick";
        } else if (change == "unannounced") {
            bridge->fillSlot(9, 2, "late");
        }
        window->poll();

        QCOMPARE(window->shownInstrument().id(), wantId);
        InstrumentView* shownRow = window->instrumentView(wantId);
        QVERIFY(shownRow);
        QCOMPARE(shownRow->name(), wantShown);
        QCOMPARE(shownRow->record(), window->shownInstrument().record());
        if (change == "unannounced") QCOMPARE(window->instrumentView(2)->name(), QString("late"));
        std::vector<SentMessage> wantSent;
        if (asksForWaveform) wantSent.push_back({fromUiShowWaveform, wantId, 0, 0, 0, {}});
        QCOMPARE(bridge->sent(), wantSent);
    }

    // Each new instrument is shown, highlighted alone and scrolled into
    // view, also when a poll rebuilt the rows before its announcement came.
    void aNewInstrumentIsSelectedAndScrolledIntoView() {
        for (int id = 0; id < 8; id++) {
            bridge->fillSlot(id, id, "row " + std::to_string(id));
            if (id % 2) {
                window->poll();  // rebuilds the rows: the one on show stays highlighted
                QVERIFY(window->instrumentView(id - 1)->isSelected());
            }
            deliver(toUi::instrumentAdded(id, "row " + std::to_string(id)));
            QTest::qWait(20);
            for (InstrumentView* row : window->instrumentViews())
                QVERIFY2(row->isSelected() == (row->id() == id), qPrintable(row->name()));
            InstrumentView* added = window->instrumentView(id);
            QVERIFY(added);
            QCOMPARE(added->visibleRegion().boundingRect(), added->rect());
            QCOMPARE(window->shownInstrument().id(), id);
        }
    }

    // Over the list the wheel scrolls it, over a knob too; with the
    // modifier held it turns the knob under the pointer and the list stays.
    void theWheelScrollsTheListAndTheModifierTurnsAKnob() {
        for (int id = 0; id < 8; id++) bridge->fillSlot(id, id, "row " + std::to_string(id));
        window->updateAndCreateView(bridge->records);
        QTest::qWait(20);
        bridge->sent();
        QScrollBar* list = window->instrumentArea()->findChild<QScrollArea*>()->verticalScrollBar();
        QCOMPARE(list->value(), 0);
        Control* fine = window->instrumentView(0)->control(3);
        const float before = fine->value();

        wheelDown(fine, Qt::NoModifier);
        QVERIFY(list->value() > 0);
        QCOMPARE(fine->value(), before);
        QVERIFY(bridge->sent().empty());

        const int scrolled = list->value();
        Control* tune = window->instrumentView(3)->control(2);
        QVERIFY(!tune->visibleRegion().isEmpty());
        wheelDown(tune, Control::kWheelModifier);
        QCOMPARE(list->value(), scrolled);
        QVERIFY(tune->value() < 0.5f);
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{{fromUiParameter, 3 * 22 + 2, 0, 0, tune->value(), {}}}));
    }

    // Rows that share a name are numbered on screen only; a name too long
    // for the row ends in an ellipsis and shows whole on hover.
    void rowsShowNamesApart() {
        const std::string longName = "pluck stereo 4.2 with a very long tail";
        const std::string names[] = {"saw bass A2", "kick", "saw bass A2", longName, "saw bass A2"};
        for (int id = 0; id < 5; id++) bridge->fillSlot(id, id, names[id]);
        window->updateAndCreateView(bridge->records);
        const QStringList shown = {"saw bass A2", "kick", "saw bass A2 2", QString::fromStdString(longName),
                                   "saw bass A2 3"};
        for (int id = 0; id < 5; id++) {
            InstrumentView* row = window->instrumentView(id);
            QCOMPARE(row->shownName(), shown[id]);
            QCOMPARE(row->name(), QString::fromStdString(names[id]));
            QCOMPARE(QString(bridge->records[id].name), QString::fromStdString(names[id]));
        }
        QLabel* title = window->instrumentView(3)->findChild<QLabel*>();
        QVERIFY(title->text().endsWith(QChar(0x2026)));
        QVERIFY(QFontMetrics(title->font()).horizontalAdvance(title->text()) <= title->width());
        QCOMPARE(title->toolTip(), QString::fromStdString(longName));
        QVERIFY(!title->testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    // The switches and the delay's spare value say what they do.
    void switchesSayWhatTheyDo() {
        showTwoInstruments();
        std::vector<Control*> controls;
        for (int p : {4, 5, 6, 7, 8, 9, 18, 19, 20}) controls.push_back(window->instrumentView(0)->control(p));
        for (int d : {4, 5, 6, 7}) controls.push_back(window->delayView()->control(d));
        for (Control* control : controls) {
            const QString sentence = control->toolTip().section('\n', 0, 0);
            QVERIFY2(sentence.size() > 20 && sentence.endsWith('.'), qPrintable(control->label() + ": " + sentence));
            QVERIFY2(!sentence.startsWith(control->label() + ":"), qPrintable(sentence));
        }
    }
};

QTEST_MAIN(MainWidgetTest)
#include "main_widget_test.moc"
