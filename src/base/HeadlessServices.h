// Services without a window, for restova-cli and the tests: messages are
// recorded (and optionally printed), questions take queued answers or the
// answer policy, the progress window is a state (and optionally a bar on a
// terminal).
#pragma once

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Services.h"

class CHeadlessServices : public IServices {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MsgIcon icon;
        MsgButtons buttons;
        MsgAnswer answer;
    };

    enum class Policy { Default, Yes, No };

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons) override;
    void ProgressOpen(int rangeMin, int rangeMax, const std::string& text) override;
    void ProgressSetText(const std::string& text) override;
    void ProgressSetPos(int pos) override;
    void ProgressClose() override;
    bool ProgressIsOpen() const override { return m_progressOpen; }
    // Counts the pump and runs the posted messages, oldest first.
    void PumpMessages() override;
    void PostMessage(std::function<void()> handler) override;
    void WaitMessages(int ms) override;
    void PlayChime(const std::string& wavPath) override { m_chimes.push_back(wavPath); }
    int RunProgram(const std::vector<std::string>& argv, bool wait) override;
    int64_t StartProgram(const std::vector<std::string>& argv) override;
    void EndProgram(int64_t handle) override;
    bool OpenDocument(const std::string& path) override;
    // Takes the oldest queued text answer; with none queued the answer is Cancel.
    MsgAnswer AskText(const std::string& caption, const std::string& prompt, std::string& text) override;
    // The text as AskText; the number is the oldest queued one (capped), else unchanged.
    MsgAnswer AskTextAndNumber(const std::string& caption, const std::string& textPrompt, std::string& text,
                               const std::string& numberPrompt, uint64_t& number, uint64_t maxNumber) override;

    // Answers for the next questions, oldest first; when none is queued the
    // policy decides (Default: Ok/Yes for the first button of the box).
    void QueueAnswer(MsgAnswer answer) { m_answers.push_back(answer); }
    void SetPolicy(Policy policy) { m_policy = policy; }
    // Answers for the next text boxes, oldest first: OK with this text, or Cancel.
    void QueueText(const std::string& text) { m_texts.push_back(text); }
    void QueueTextCancel() { m_texts.push_back(std::nullopt); }
    // Answers for the number of the next text-and-number boxes, oldest first.
    void QueueNumber(uint64_t number) { m_numbers.push_back(number); }

    // Print messages to this stream (stderr in the CLI; null to stay quiet).
    void SetEcho(std::FILE* stream) { m_echo = stream; }
    // Draw a progress bar on this stream (a terminal), or none.
    void SetProgressBar(std::FILE* stream) { m_bar = stream; }
    // With no opener, documents are only recorded (tests).
    void SetDocumentOpener(const std::string& program) { m_opener = program; }

    const std::vector<Shown>& Messages() const { return m_shown; }
    // Every text box asked, with the text it was opened with.
    struct Asked {
        std::string caption;
        std::string prompt;
        std::string initial;
    };
    const std::vector<Asked>& TextRequests() const { return m_asked; }
    const std::vector<std::string>& OpenedDocuments() const { return m_opened; }
    const std::vector<std::string>& Chimes() const { return m_chimes; }
    const std::string& ProgressText() const { return m_progressText; }
    int ProgressPos() const { return m_progressPos; }
    int Pumps() const { return m_pumps; }
    void ClearMessages() { m_shown.clear(); }

private:
    void DrawBar();

    std::deque<MsgAnswer> m_answers;
    std::deque<std::optional<std::string>> m_texts;
    std::deque<uint64_t> m_numbers;
    std::vector<Asked> m_asked;
    Policy m_policy = Policy::Default;
    std::vector<Shown> m_shown;
    std::vector<std::string> m_opened;
    std::vector<std::string> m_chimes;
    std::string m_opener;
    std::FILE* m_echo = nullptr;
    std::FILE* m_bar = nullptr;
    bool m_progressOpen = false;
    int m_progressMin = 0;
    int m_progressMax = 100;
    int m_progressPos = 0;
    int m_barDrawn = -1;
    std::string m_progressText;
    int m_pumps = 0;
    std::mutex m_postLock;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_messages;
};
