// The program line of the window, through real FIFOs: it shows what the
// plug-in says, and the user's picks, steps and renames reach the plug-in
// as requests, without changing what is shown before the plug-in answers.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>

#include "editor-program/layout.h"
#include "editor-program/main_widget.h"
#include "editor-program/program_strip.h"
#include "editor-program/vumeter.h"
#include "tests/editor-program/support/bridge_fixture.h"
#include "tests/editor-program/support/shown_window.h"

Q_DECLARE_METATYPE(SentMessage)

namespace {

SentMessage select(int32_t program) { return {fromUiSelectProgram, program, 0, 0, 0, {}}; }

}  // namespace

class ProgramStripTest : public QObject, ShownWindow {
    Q_OBJECT


    ProgramStrip& strip() { return *window->programStrip(); }
    // A click on whatever child of the strip lies at `at`.
    void click(const QPoint& at) {
        QWidget* target = strip().childAt(at);
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&strip(), at));
    }
    void deliver(std::initializer_list<UiMessage> messages) {
        for (const UiMessage& message : messages) bridge->toUi(message);
        bridge->link().processMessageFromPlugin();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QVERIFY(openWindow()); }
    void cleanup() { closeWindow(); }

    // Each start and re-attach asks for the names and the current program.
    void embeddingAsksForThePrograms() {
        window->embedInto(0);
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{{fromUiProgramsWanted, 0, 0, 0, 0, {}}}));
    }

    void showsWhatThePluginSays() {
        QCOMPARE(strip().shownText(), QString());
        deliver({toUi::programName(2, "Pad"), toUi::programName(3, "Bells"), toUi::currentProgram(2)});
        QCOMPARE(strip().shownText(), QStringLiteral("003  Pad"));
        deliver({toUi::programName(2, "Soft Pad")});  // renamed, by the host or the window
        QCOMPARE(strip().shownText(), QStringLiteral("003  Soft Pad"));
        deliver({toUi::currentProgram(3)});
        QCOMPARE(strip().shownText(), QStringLiteral("004  Bells"));
        deliver({toUi::currentProgram(128), toUi::programName(-1, "x")});  // out of range: ignored
        QCOMPARE(strip().shownText(), QStringLiteral("004  Bells"));
    }

    void stepsAndTheMenuAskThePlugin() {
        const QPoint previous = layout::kProgramPrevious.center(), next = layout::kProgramNext.center();
        click(next);
        QCOMPARE(bridge->sent(), std::vector<SentMessage>{});  // nothing is current yet
        deliver({toUi::currentProgram(0)});
        click(previous);  // wraps to the last
        click(next);
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{select(127), select(1)}));
        QCOMPARE(strip().current(), 0);  // until the plug-in says otherwise

        deliver({toUi::programName(5, "Organ")});
        QMenu& menu = *strip().programMenu();
        emit menu.aboutToShow();
        QCOMPARE(menu.actions().size(), 128);
        QCOMPARE(menu.actions()[5]->text(), QStringLiteral("006  Organ"));
        menu.actions()[5]->trigger();
        QCOMPARE(bridge->sent(), (std::vector<SentMessage>{select(5)}));
    }

    void renamingTheCurrentProgram() {
        deliver({toUi::programName(4, "Old"), toUi::currentProgram(4)});
        QLineEdit& editor = *strip().nameEditor();
        QTest::mouseDClick(&strip(), Qt::LeftButton, {}, layout::kProgramName.center());
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.text(), QStringLiteral("Old"));
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!editor.isVisible());
        QCOMPARE(bridge->sent(), std::vector<SentMessage>{});

        strip().startRenaming();
        editor.setText(QStringLiteral("Brass Section Long Name Cut Here"));
        QCOMPARE(editor.text().size(), 24);  // what a host's buffer holds
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!editor.isVisible());
        QCOMPARE(bridge->sent(),
                 (std::vector<SentMessage>{{fromUiRenameProgram, 4, 0, 0, 0, "Brass Section Long Name "}}));
        QCOMPARE(strip().shownText(), QStringLiteral("005  Old"));  // until the plug-in stores it
    }

    void theOutputMeterShowsTheLevel() {
        deliver({toUi::outputLevel(1.0f, 0.0f)});
        QCOMPARE(strip().meter(0)->level(), 1.0f);
        QCOMPARE(strip().meter(1)->level(), 0.0f);
    }
};

QTEST_MAIN(ProgramStripTest)
#include "program_strip_test.moc"
