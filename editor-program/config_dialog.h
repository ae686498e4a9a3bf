// The program's options: each a label, a checkbox saved at once, and a line
// of explanation below it. Rows for options the program does not have are
// shown disabled.
#pragma once

#include <QDialog>

#include <functional>

class QGridLayout;

class ConfigDialog : public QDialog {
public:
    static constexpr const char* kTitle = "Quaxel2 settings";

    // `resize` runs with the window size chosen, in percent, after it is saved.
    explicit ConfigDialog(std::function<void(int)> resize = {}, QWidget* parent = nullptr);

    // Opens the dialog for the editor window `editor`, or raises the one
    // open. It stays above the host's window (transient for it) and closes
    // when the editor leaves that window.
    static ConfigDialog* open(QWidget* editor, std::function<void(int)> resize = {});

private:
    // Adds a row; a null key makes a disabled row that saves nothing.
    void addRow(QGridLayout* grid, const QString& label, const char* key, const QString& explanation);
    // The window size: a choice of the sizes, the one in use shown.
    void addSizeRow(QGridLayout* grid);

    std::function<void(int)> resize;
};
