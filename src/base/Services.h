// The platform services the core needs from whatever front end runs it: the
// Qt window, the command-line tool or a test. The core never touches a GUI;
// it asks for a message box, a progress window or a pump through this.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class MsgIcon { None, Stop, Exclamation, Question, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

class IServices {
public:
    virtual ~IServices() = default;

    // Modal message box; returns the button pressed. UI thread only.
    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons) = 0;

    // The one progress window: opened with a range, given a text and a position, closed.
    virtual void ProgressOpen(int rangeMin, int rangeMax, const std::string& text) = 0;
    virtual void ProgressSetText(const std::string& text) = 0;
    virtual void ProgressSetPos(int pos) = 0;
    virtual void ProgressClose() = 0;
    virtual bool ProgressIsOpen() const = 0;

    // Dispatches pending window messages inside long jobs, posted ones included. UI thread only.
    virtual void PumpMessages() = 0;
    // Queues handler to run on the interface thread when it next dispatches
    // messages: how sound buffers that are done reach the interface. Any thread.
    virtual void PostMessage(std::function<void()> handler) = 0;
    // Dispatches; when nothing was pending, first waits up to ms milliseconds
    // for a message to arrive. UI thread only.
    virtual void WaitMessages(int ms) = 0;

    // Plays the end-of-processing chime (asynchronously).
    virtual void PlayChime(const std::string& wavPath) = 0;

    // Starts an external program. With wait, returns its exit code (-1 when it
    // could not be started); without, 0 when started.
    virtual int RunProgram(const std::vector<std::string>& argv, bool wait) = 0;

    // Starts an external program without waiting for it; a handle for
    // EndProgram, or -1 when it could not be started.
    virtual int64_t StartProgram(const std::vector<std::string>& argv) = 0;
    // Ends a program StartProgram started, if it still runs.
    virtual void EndProgram(int64_t handle) = 0;

    // Opens a folder or a document with the desktop's default handler.
    virtual bool OpenDocument(const std::string& path) = 0;

    // Modal box asking for one line of text, with OK and Cancel. text holds
    // the initial text and, on Ok, the text entered. Returns Ok or Cancel.
    virtual MsgAnswer AskText(const std::string& caption, const std::string& prompt, std::string& text) = 0;

    // The same box with a whole number under the text, stepped by arrows
    // from 0 to maxNumber. On Ok both hold what was entered.
    virtual MsgAnswer AskTextAndNumber(const std::string& caption, const std::string& textPrompt, std::string& text,
                                       const std::string& numberPrompt, uint64_t& number, uint64_t maxNumber) = 0;
};

// The program-wide cancel flag, set by the progress window's Cancel button,
// a stage button while a job runs, or Ctrl-C in the CLI. Any thread may read it.
std::atomic<bool>& CancelFlag();

// The program-wide services. Never null: a headless instance that answers
// every question with its default button serves until a front end sets its own.
IServices& Services();
void SetServices(IServices* services);
