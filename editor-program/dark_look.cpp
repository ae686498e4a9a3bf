#include "editor-program/dark_look.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

#include "editor-program/style.h"

QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, style::kBackground);
    palette.setColor(QPalette::WindowText, style::kText);
    palette.setColor(QPalette::Base, style::kPanel);
    palette.setColor(QPalette::AlternateBase, style::kBackground);
    palette.setColor(QPalette::Text, style::kText);
    palette.setColor(QPalette::Button, style::kPanel);
    palette.setColor(QPalette::ButtonText, style::kText);
    palette.setColor(QPalette::Highlight, style::kAccentDim);
    palette.setColor(QPalette::HighlightedText, style::kText);
    palette.setColor(QPalette::ToolTipBase, style::kPanel);
    palette.setColor(QPalette::ToolTipText, style::kText);
    palette.setColor(QPalette::Mid, style::kPanelEdge);
    palette.setColor(QPalette::Dark, style::kBackground);
    palette.setColor(QPalette::Light, style::kPanelEdge);
    palette.setColor(QPalette::Disabled, QPalette::Text, style::kDimText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, style::kDimText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, style::kDimText);
    return palette;
}

void applyDarkLook(QApplication& application) {
    // Fusion draws with the palette alone, the same on every desktop.
    application.setStyle(QStyleFactory::create("Fusion"));
    application.setPalette(darkPalette());
    QFont font = application.font();
    font.setPixelSize(11);
    application.setFont(font);
}
