// The small dialogs of the main window: the about box and "Configure
// Advanced Wave Editor", where the user names the editor program.
#pragma once

class AppSettings;
class QWidget;

class CAboutBox {
public:
    // The program's name, version and what it is for.
    static void Show(QWidget* parent);
    // Lets the user pick the advanced wave editor; the choice goes into Zarvo6Path.
    static void ConfigureEditor(QWidget* parent, AppSettings& settings);
};
