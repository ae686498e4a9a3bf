// The line under the top strip: the current program's number and name,
// previous / next buttons, a menu of all programs, and the plug-in's output
// level. It shows what the plug-in says and nothing else: a pick, a step or
// a rename goes to the plug-in, and the strip changes when the plug-in
// answers with the program it has made current or the name it has stored.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <cstdint>

#include "contract/program_list.h"

class PluginLink;
class QLineEdit;
class QMenu;
class QToolButton;
class Vumeter;

class ProgramStrip : public QWidget {
    Q_OBJECT
public:
    explicit ProgramStrip(PluginLink& link, QWidget* parent = nullptr);

    // From the plug-in: the current program, a program's name, the output peaks.
    void showProgram(int32_t index);
    void setProgramName(int32_t index, const QString& name);
    void setOutputLevel(float left, float right);

    int32_t current() const { return current_; }
    QString name(int32_t index) const;
    // What the name field shows: "NNN  name", 1-based; empty until the plug-in said.
    QString shownText() const;
    QMenu* programMenu() const { return menu_; }
    QLineEdit* nameEditor() const { return editor_; }
    Vumeter* meter(int channel) const { return meters_[static_cast<std::size_t>(channel)]; }
    // Steps through the programs, wrapping at either end.
    void step(int by);
    // Starts renaming the current program (as a double-click on the name does).
    void startRenaming();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void finishRenaming(bool keep);
    void fillMenu();

    PluginLink& link;
    std::array<QString, program_list::kPrograms> names_;
    int32_t current_ = -1;
    bool menuStale_ = true;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    QMenu* menu_ = nullptr;
    QLineEdit* editor_ = nullptr;
    std::array<Vumeter*, 2> meters_{};
};
