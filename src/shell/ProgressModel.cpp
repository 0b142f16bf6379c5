#include "shell/ProgressModel.h"

#include <algorithm>
#include <cstdint>

#include "base/AppSettings.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"

void CProgressModel::Open(int rangeMin, int rangeMax) {
    m_percent = 0;
    if (m_open) return;
    m_open = true;
    m_min = rangeMin;
    m_max = rangeMax;
    m_text = LoadString(kMsgPleaseWait);
    m_cancelEnabled = true;
}

void CProgressModel::SetPos(int pos) {
    // An empty range would divide by zero: it counts as not begun.
    const int64_t span = static_cast<int64_t>(m_max) - m_min;
    const int64_t percent = span > 0 ? (static_cast<int64_t>(pos) - m_min) * 100 / span : 0;
    m_percent = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}

void CProgressModel::Close() {
    if (!m_open) return;
    m_open = false;
    m_store.WriteProfileInt(kSectionRestova, kLeftKey, m_left);
    m_store.WriteProfileInt(kSectionRestova, kTopKey, m_top);
}

std::string CProgressModel::PercentText() const {
    return std::to_string(m_percent) + "%";
}

void CProgressModel::OnCancel() {
    CancelFlag().store(true);
}

void CProgressModel::Place(const ScreenRect& mainWindow, int width, int height, const ScreenRect& desktop) {
    const int left = m_store.GetProfileInt(kSectionRestova, kLeftKey,
                                           mainWindow.left + (mainWindow.Width() - width) / 2);
    const int top = m_store.GetProfileInt(kSectionRestova, kTopKey, mainWindow.bottom - height);
    if (left < 0 || top < 0) {
        m_left = mainWindow.left + (mainWindow.Width() - width) / 2;
        m_top = mainWindow.top + (mainWindow.Height() - height) / 2;
        return;
    }
    m_left = std::max(desktop.left, std::min(left, desktop.right - width));
    m_top = std::max(desktop.top, std::min(top, desktop.bottom - height));
}
