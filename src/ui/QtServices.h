// CQtServices: the services the core asks of a front end, done with Qt:
// message boxes, the progress window, the message pump, posted messages,
// the chime and external programs. In scripted runs (replay, tests) the
// questions are answered by a headless stand-in instead of a modal box, so
// that nothing waits for a user who is not there.
#pragma once

#include <QPointer>
#include <memory>

#include "base/HeadlessServices.h"
#include "base/Services.h"
#include "shell/ProgressModel.h"
#include "ui/ProgressWindow.h"
class CSettingsStore;
class QWidget;

class CQtServices : public IServices {
public:
    explicit CQtServices(CSettingsStore& store);
    ~CQtServices() override;
    CQtServices(const CQtServices&) = delete;
    CQtServices& operator=(const CQtServices&) = delete;

    // The main window: parent of the boxes and of the progress window, and what the latter is placed by.
    void SetMainWindow(QWidget* window) { m_main = window; }
    // Off: boxes and text questions go to Scripted() (replay, tests); progress still shows.
    void SetInteractive(bool on) { m_interactive = on; }
    CHeadlessServices& Scripted() { return m_scripted; }

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons) override;
    void ProgressOpen(int rangeMin, int rangeMax, const std::string& text) override;
    void ProgressSetText(const std::string& text) override;
    void ProgressSetPos(int pos) override;
    void ProgressClose() override;
    bool ProgressIsOpen() const override { return m_model.IsOpen(); }
    void PumpMessages() override;
    void PostMessage(std::function<void()> handler) override;
    void WaitMessages(int ms) override;
    void PlayChime(const std::string& wavPath) override;
    int RunProgram(const std::vector<std::string>& argv, bool wait) override;
    int64_t StartProgram(const std::vector<std::string>& argv) override;
    void EndProgram(int64_t handle) override;
    bool OpenDocument(const std::string& path) override;
    MsgAnswer AskText(const std::string& caption, const std::string& prompt, std::string& text) override;
    MsgAnswer AskTextAndNumber(const std::string& caption, const std::string& textPrompt, std::string& text,
                               const std::string& numberPrompt, uint64_t& number, uint64_t maxNumber) override;

    CProgressModel& Progress() { return m_model; }
    // The progress window while it is open, else null.
    CProgressWindow* ProgressWindow() const { return m_window; }

private:
    CProgressModel m_model;
    QPointer<QWidget> m_main;
    QPointer<CProgressWindow> m_window;
    CHeadlessServices m_scripted;
    bool m_interactive = true;
};
