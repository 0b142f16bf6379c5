#include "ui/PaneWidget.h"

CPaneWidget::CPaneWidget(QWidget* parent) : QWidget(parent) {
    QPalette palette;  // Qt's own light palette, not the desktop's
    palette.setColor(QPalette::Window, QColor(232, 236, 230));
    palette.setColor(QPalette::WindowText, QColor(20, 28, 32));
    palette.setColor(QPalette::Base, QColor(250, 251, 248));
    palette.setColor(QPalette::AlternateBase, QColor(238, 242, 236));
    palette.setColor(QPalette::Text, QColor(20, 28, 32));
    palette.setColor(QPalette::Button, QColor(214, 222, 216));
    palette.setColor(QPalette::ButtonText, QColor(20, 28, 32));
    palette.setColor(QPalette::Highlight, QColor(46, 92, 98));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    setPalette(palette);
    setAutoFillBackground(true);
}
