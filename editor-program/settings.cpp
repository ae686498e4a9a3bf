#include "editor-program/settings.h"

#include <QSettings>

#include "contract/window_size.h"

namespace {

QSettings store() { return QSettings("Quaxel2", "UIQuaxel2VST"); }

}  // namespace

bool Settings::flag(const char* key, bool fallback) { return store().value(key, fallback).toBool(); }

void Settings::setFlag(const char* key, bool on) { store().setValue(key, on); }

QString Settings::userPath() { return store().value(kUserPath).toString(); }

void Settings::setUserPath(const QString& path) {
    QSettings settings = store();
    if (path.isEmpty())
        settings.remove(kUserPath);
    else
        settings.setValue(kUserPath, path);
}

int Settings::windowScale() {
    bool number = false;
    const int percent = store().value(kWindowScale).toInt(&number);
    return number && window_size::allowed(percent) ? percent : 0;
}

void Settings::setWindowScale(int percent) { store().setValue(kWindowScale, percent); }
