// The browser's folder of the user's own samples: read again when opened,
// and its menu.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include "editor-program/settings.h"
#include "editor-program/treex.h"
#include "tests/editor-program/support/temporary_settings.h"

namespace {

QStringList entries(const QTreeWidgetItem* folder) {
    QStringList names;
    for (int i = 0; i < folder->childCount(); i++) names << folder->child(i)->text(0);
    return names;
}

bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

QAction* removeAction(Treex& browser) {
    for (QAction* action : browser.browserMenu()->actions())
        if (action->text() == "remove user path") return action;
    return nullptr;
}

}  // namespace

class BrowserTest : public QObject {
    Q_OBJECT
    TemporarySettings settings;

private slots:
    void init() { settings.clear(); }

    // A file added to the folder shows when its entry is opened again, and
    // setting the path again keeps the entry open.
    void theFolderIsReadWhenOpened() {
        QTemporaryDir samples;
        QVERIFY(touch(samples.filePath("a.wav")));
        Settings::setUserPath(samples.path());
        Treex browser;
        QTreeWidgetItem* folder = browser.topLevelItem(browser.topLevelItemCount() - 1);
        QCOMPARE(entries(folder), QStringList{"a.wav"});
        folder->setExpanded(true);
        QVERIFY(touch(samples.filePath("b.wav")));
        folder->setExpanded(false);
        folder->setExpanded(true);
        QCOMPARE(entries(folder), (QStringList{"a.wav", "b.wav"}));

        browser.topLevelItem(0)->setExpanded(true);
        QVERIFY(touch(samples.filePath("c.wav")));
        browser.showUserPath(samples.path());
        QCOMPARE(browser.topLevelItem(browser.topLevelItemCount() - 1), folder);
        QVERIFY(folder->isExpanded());
        QVERIFY(browser.topLevelItem(0)->isExpanded());
        QCOMPARE(entries(folder), (QStringList{"a.wav", "b.wav", "c.wav"}));
    }

    void removeUserPathOnlyWhileOneIsSet() {
        Treex browser;
        QVERIFY(!removeAction(browser)->isEnabled());
        QTemporaryDir samples;
        browser.showUserPath(samples.path());
        QVERIFY(removeAction(browser)->isEnabled());
        removeAction(browser)->trigger();
        QVERIFY(!removeAction(browser)->isEnabled());
        QCOMPARE(Settings::userPath(), QString());
    }
};

QTEST_MAIN(BrowserTest)
#include "browser_test.moc"
