// CShellWindow: the main window over the stage machine (CShellDlg). It lays
// out the prompt line, the four stage buttons, Back, the bin buttons, Exit and
// the two side buttons in client pixels (Qt scales them for the screen), sends
// every click to the machine and draws what the machine says after each step:
// captions, prompt, the one open pane, the Training Wheels window.
#pragma once

#include <QWidget>
#include <array>

#include "shell/ShellDlg.h"

class AppSettings;
class CPaneWidget;
class CPictureButton;
class CTrainingWheelsWindow;
class QLabel;
class QShortcut;

class CShellWindow : public QWidget {
    Q_OBJECT
public:
    // The client area, in pixels at 96 dots per inch.
    static constexpr int kClientWidth = 530;
    static constexpr int kClientHeight = 650;

    CShellWindow(CShellDlg& shell, AppSettings& settings, QWidget* parent = nullptr);
    ~CShellWindow() override;

    CShellDlg& Shell() { return m_shell; }
    CPictureButton* StageButton(int i) const { return m_stage[static_cast<size_t>(i)]; }
    CPictureButton* BackButton() const { return m_back; }
    CPictureButton* BinButton(int i) const { return m_bins[static_cast<size_t>(i)]; }
    CPictureButton* ExitButton() const { return m_exit; }
    CPictureButton* EditorButton() const { return m_editor; }
    CPictureButton* TrainingWheelsButton() const { return m_wheels; }
    // The button that sends this event (1-8), or null.
    CPictureButton* ButtonOf(int event) const;
    QLabel* PromptLabel() const { return m_prompt; }
    // The pane shown now, or null.
    CPaneWidget* Pane() const { return m_pane; }
    CTrainingWheelsWindow* TrainingWheelsWindow() const { return m_wheelsWindow; }
    static QRect PaneRect();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void OnChange(CShellDlg::Change change);
    void ShowCaptions();
    void ShowPrompt();
    // Shows the pane of whichever controller the machine has open.
    void ShowPane();
    void ShowTrainingWheels();
    void OnSpace();

    CShellDlg& m_shell;
    AppSettings& m_settings;
    QLabel* m_prompt = nullptr;
    std::array<CPictureButton*, 4> m_stage{};
    CPictureButton* m_back = nullptr;
    std::array<CPictureButton*, 3> m_bins{};
    CPictureButton* m_exit = nullptr;
    CPictureButton* m_editor = nullptr;
    CPictureButton* m_wheels = nullptr;
    CPaneWidget* m_pane = nullptr;
    CTrainingWheelsWindow* m_wheelsWindow = nullptr;
    QShortcut* m_space = nullptr;
};
