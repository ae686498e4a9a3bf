// The program's options: each a label, a checkbox saved at once, and a line
// of explanation below it.
#pragma once

#include <QDialog>

class QGridLayout;

class ConfigDialog : public QDialog {
public:
    explicit ConfigDialog(QWidget* parent = nullptr);

private:
    // Adds a row; a null key makes a disabled checkbox that saves nothing.
    void addRow(QGridLayout* grid, const QString& label, const char* key, const QString& explanation);
};
