// The standalone program's window: a menu bar (File, Program, Audio) above
// the plug-in's own editor, which is embedded through effEditOpen into a
// plain native child window exactly as a host embeds it.
#pragma once

#include <QMainWindow>
#include <string>

class JackEngine;
class QMenu;
class QWidget;
class VstHost;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(VstHost& host, JackEngine& engine);
    ~MainWindow() override;

    // Embeds the plug-in's editor into the container; after show().
    void openEditor();
    void closeEditor();
    // audioMasterSizeWindow: resizes the container, and with it the window.
    bool resizeEditor(int width, int height);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFileMenu();
    void fillProgramMenu();
    void fillAudioMenu();
    void pickProgram(int program);
    void openState();
    void saveState(const std::string& path);
    void saveStateAs();
    void idle();
    void showProgramInTitle();

    VstHost& host_;
    JackEngine& engine_;
    QWidget* container_ = nullptr;
    QMenu* programMenu_ = nullptr;
    QMenu* audioMenu_ = nullptr;
    std::string stateFile_;  // where "Save state" writes
};
