#include "editor-program/config_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

#include "contract/window_size.h"

#include "editor-program/dark_look.h"
#include "editor-program/settings.h"
#include "editor-program/style.h"

namespace {

// The plug-in cuts every grain to this many frames.
constexpr int kGrainFrames = 1000;

QLabel* explanationLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setStyleSheet(QString("color: %1; padding-bottom: 6px;").arg(style::kDimText.name()));
    return label;
}

// The dark look, with check boxes drawn light (their box is filled with
// Base, their tick drawn with Text) so that they stand out on the dark window.
QPalette dialogPalette() {
    QPalette palette = darkPalette();
    palette.setColor(QPalette::Active, QPalette::Base, style::kText);
    palette.setColor(QPalette::Inactive, QPalette::Base, style::kText);
    palette.setColor(QPalette::Active, QPalette::Text, style::kBackground);
    palette.setColor(QPalette::Inactive, QPalette::Text, style::kBackground);
    palette.setColor(QPalette::Disabled, QPalette::Base, style::kPanelEdge);
    return palette;
}

QPointer<ConfigDialog> openDialog;

}  // namespace

ConfigDialog* ConfigDialog::open(QWidget* editor, std::function<void(int)> resize) {
    if (openDialog) {
        openDialog->raise();
        openDialog->activateWindow();
        return openDialog;
    }
    // While embedded, the editor's window is the carrier inside the host's
    // window; it goes when the host closes the editor.
    QWidget* frame = editor->window();
    auto* dialog = new ConfigDialog(std::move(resize));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(frame, &QObject::destroyed, dialog, &QWidget::close);
    // The carrier is no top-level window on the X server: the dialog is
    // transient for the host's window it sits in (or for the editor's own
    // window when it is not embedded).
    dialog->winId();
    if (QWindow* carrier = frame->windowHandle())
        dialog->windowHandle()->setTransientParent(carrier->parent() ? carrier->parent() : carrier);
    dialog->show();
    openDialog = dialog;
    return dialog;
}

ConfigDialog::ConfigDialog(std::function<void(int)> resize, QWidget* parent)
    : QDialog(parent), resize(std::move(resize)) {
    setWindowTitle(kTitle);
    setPalette(dialogPalette());
    setAutoFillBackground(true);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    addRow(grid, "Enable loop automation : ", Settings::kEnableLoopAutomation,
           "check this to enable host automation for loop start, loop end & start play.");
    addRow(grid, "Disable keyboard focus : ", Settings::kDisableKeyboardFocus,
           "enable this option if your host lose the keyboard focus when the plugin has the focus : this will "
           "disable mousewheel support for the browser and the waveform zoom.");
    addRow(grid, "Mouse drag Waveform : ", Settings::kSetDragScroll,
           "when enabled, you can move the waveform with left click + drag, when disabled you have to use middle "
           "click + drag");
    addRow(grid, "Zoom always centered : ", Settings::kZoomCentered,
           "when enabled, the zoom is always centered on the middle of the displayed waveform, if disabled, the "
           "zoom is centered after mouse position");
    addRow(grid, "Try to load as raw : ", nullptr, "not implemented yet !");

    // The grain size is fixed: a figure, not a field.
    const int row = grid->rowCount();
    auto* grainLabel = new QLabel("Grain size for AKAIZE effect : ");
    auto* grain = new QLabel(QString::number(kGrainFrames));
    grain->setObjectName("grainSize");
    for (QLabel* label : {grainLabel, grain}) label->setEnabled(false);
    grid->addWidget(grainLabel, row, 0);
    grid->addWidget(grain, row, 1, Qt::AlignLeft);
    grid->addWidget(explanationLabel("frames per grain; the plug-in uses this fixed size."), row + 1, 0, 1, 2);
    addSizeRow(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    for (QAbstractButton* button : buttons->buttons()) button->setFocusPolicy(Qt::NoFocus);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(buttons);
    setFixedWidth(460);
}

void ConfigDialog::addRow(QGridLayout* grid, const QString& label, const char* key, const QString& explanation) {
    const int row = grid->rowCount();
    auto* text = new QLabel(label);
    grid->addWidget(text, row, 0);
    auto* box = new QCheckBox;
    box->setFocusPolicy(Qt::NoFocus);
    if (key) {
        box->setObjectName(key);
        box->setChecked(Settings::flag(key));
        connect(box, &QCheckBox::toggled, this, [key](bool on) { Settings::setFlag(key, on); });
    } else {
        text->setEnabled(false);
        box->setEnabled(false);
    }
    grid->addWidget(box, row, 1, Qt::AlignLeft);
    grid->addWidget(explanationLabel(explanation), row + 1, 0, 1, 2);
}

void ConfigDialog::addSizeRow(QGridLayout* grid) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel("Window size : "), row, 0);
    auto* sizes = new QComboBox;
    sizes->setObjectName(Settings::kWindowScale);
    // The one field that takes the keyboard: the arrow keys pick a size.
    sizes->setFocusPolicy(Qt::StrongFocus);
    // The size in use, which the whole program is drawn at: the one set,
    // or the desktop's when none is.
    const long inUse = std::lround(100.0 * devicePixelRatioF());
    for (int percent : window_size::kPercents) {
        sizes->addItem(QString("%1 %").arg(percent), percent);
        if (percent == inUse) sizes->setCurrentIndex(sizes->count() - 1);
    }
    connect(sizes, &QComboBox::activated, this, [this, sizes](int index) {
        const int percent = sizes->itemData(index).toInt();
        Settings::setWindowScale(percent);
        if (resize) resize(percent);
    });
    grid->addWidget(sizes, row, 1, Qt::AlignLeft);
    grid->addWidget(explanationLabel("the size of the editor window; it opens again at the new size."), row + 1, 0, 1,
                    2);
}
