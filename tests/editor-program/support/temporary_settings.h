// Points QSettings at a fresh temporary folder for as long as it lives, so
// that tests never read or write the user's own settings. Make it before
// the first QSettings is opened.
#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

class TemporarySettings {
public:
    TemporarySettings() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    }

    QString path() const { return folder.path(); }
    // Forgets every setting, for a test that wants the defaults.
    void clear() { QSettings("Quaxel2", "UIQuaxel2VST").clear(); }

private:
    QTemporaryDir folder;
};
