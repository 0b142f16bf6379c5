#include "base/HeadlessServices.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

extern char** environ;

namespace {

MsgAnswer DefaultAnswer(MsgButtons buttons, CHeadlessServices::Policy policy) {
    const bool asks = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
    switch (policy) {
        case CHeadlessServices::Policy::Yes:
            return asks ? MsgAnswer::Yes : MsgAnswer::Ok;
        case CHeadlessServices::Policy::No:
            if (asks) return MsgAnswer::No;
            return buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
        case CHeadlessServices::Policy::Default:
            break;
    }
    return asks ? MsgAnswer::Yes : MsgAnswer::Ok;
}

const char* AnswerName(MsgAnswer a) {
    switch (a) {
        case MsgAnswer::Ok:
            return "OK";
        case MsgAnswer::Cancel:
            return "Cancel";
        case MsgAnswer::Yes:
            return "Yes";
        case MsgAnswer::No:
            return "No";
    }
    return "?";
}

// Starts argv[0] from PATH; returns the child's pid or -1.
pid_t Spawn(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    return pid;
}

}  // namespace

MsgAnswer CHeadlessServices::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                        MsgButtons buttons) {
    MsgAnswer answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    } else {
        answer = DefaultAnswer(buttons, m_policy);
    }
    m_shown.push_back({text, caption, icon, buttons, answer});
    if (m_echo) {
        if (m_bar && m_barDrawn >= 0) std::fputc('\n', m_bar), m_barDrawn = -1;
        std::fprintf(m_echo, "%s%s%s\n", caption.empty() ? "" : caption.c_str(), caption.empty() ? "" : ": ",
                     text.c_str());
        if (buttons != MsgButtons::Ok) std::fprintf(m_echo, "  -> %s\n", AnswerName(answer));
    }
    return answer;
}

void CHeadlessServices::ProgressOpen(int rangeMin, int rangeMax, const std::string& text) {
    m_progressOpen = true;
    m_progressMin = rangeMin;
    m_progressMax = rangeMax > rangeMin ? rangeMax : rangeMin + 1;
    m_progressPos = rangeMin;
    m_progressText = text;
    m_barDrawn = -1;
    DrawBar();
}

void CHeadlessServices::ProgressSetText(const std::string& text) {
    m_progressText = text;
    m_barDrawn = -1;
    DrawBar();
}

void CHeadlessServices::ProgressSetPos(int pos) {
    m_progressPos = pos;
    DrawBar();
}

void CHeadlessServices::ProgressClose() {
    if (m_bar && m_progressOpen && m_barDrawn >= 0) std::fputc('\n', m_bar);
    m_progressOpen = false;
    m_barDrawn = -1;
}

void CHeadlessServices::DrawBar() {
    if (!m_bar || !m_progressOpen) return;
    long span = static_cast<long>(m_progressMax) - m_progressMin;
    long done = static_cast<long>(m_progressPos) - m_progressMin;
    int percent = static_cast<int>(done <= 0 ? 0 : done >= span ? 100 : done * 100 / span);
    if (percent == m_barDrawn) return;  // a terminal redraw per block would be slow
    m_barDrawn = percent;
    constexpr int kWidth = 30;
    int filled = percent * kWidth / 100;
    std::fprintf(m_bar, "\r%-40.40s [%.*s%*s] %3d%%", m_progressText.c_str(), filled, "##############################",
                 kWidth - filled, "", percent);
    std::fflush(m_bar);
}

int CHeadlessServices::RunProgram(const std::vector<std::string>& argv, bool wait) {
    pid_t pid = Spawn(argv);
    if (pid < 0) return -1;
    if (!wait) return 0;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CHeadlessServices::OpenDocument(const std::string& path) {
    m_opened.push_back(path);
    if (m_opener.empty()) return true;
    return RunProgram({m_opener, path}, false) == 0;
}

MsgAnswer CHeadlessServices::AskText(const std::string& caption, const std::string& prompt, std::string& text) {
    m_asked.push_back({caption, prompt, text});
    std::optional<std::string> answer;
    if (!m_texts.empty()) {
        answer = std::move(m_texts.front());
        m_texts.pop_front();
    }
    if (m_echo) {
        std::fprintf(m_echo, "%s: %s\n  -> %s\n", caption.c_str(), prompt.c_str(), answer ? "OK" : "Cancel");
    }
    if (!answer) return MsgAnswer::Cancel;
    text = std::move(*answer);
    return MsgAnswer::Ok;
}

MsgAnswer CHeadlessServices::AskTextAndNumber(const std::string& caption, const std::string& textPrompt,
                                              std::string& text, const std::string& numberPrompt, uint64_t& number,
                                              uint64_t maxNumber) {
    if (AskText(caption, textPrompt, text) != MsgAnswer::Ok) return MsgAnswer::Cancel;
    if (!m_numbers.empty()) {
        number = std::min(m_numbers.front(), maxNumber);
        m_numbers.pop_front();
    }
    if (m_echo) std::fprintf(m_echo, "  %s: %llu\n", numberPrompt.c_str(), static_cast<unsigned long long>(number));
    return MsgAnswer::Ok;
}

void CHeadlessServices::PumpMessages() {
    ++m_pumps;
    // Only what was posted before this pump: a handler that posts again waits for the next one.
    std::deque<std::function<void()>> due;
    {
        std::lock_guard<std::mutex> lock(m_postLock);
        due.swap(m_messages);
    }
    for (auto& handler : due) handler();
}

void CHeadlessServices::PostMessage(std::function<void()> handler) {
    {
        std::lock_guard<std::mutex> lock(m_postLock);
        m_messages.push_back(std::move(handler));
    }
    m_posted.notify_one();
}

void CHeadlessServices::WaitMessages(int ms) {
    {
        std::unique_lock<std::mutex> lock(m_postLock);
        m_posted.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !m_messages.empty(); });
    }
    PumpMessages();
}

int64_t CHeadlessServices::StartProgram(const std::vector<std::string>& argv) {
    return Spawn(argv);
}

void CHeadlessServices::EndProgram(int64_t handle) {
    if (handle <= 0) return;
    const auto pid = static_cast<pid_t>(handle);
    int status = 0;
    // Reaped already when it ended by itself.
    if (waitpid(pid, &status, WNOHANG) != 0) return;
    ::kill(pid, SIGTERM);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}
