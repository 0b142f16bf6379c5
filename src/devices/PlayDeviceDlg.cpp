#include "devices/PlayDeviceDlg.h"

CPlayDeviceDlg::CPlayDeviceDlg(AppSettings& settings, CAudioHost& host)
    : m_choice(settings, host, false), m_selected(m_choice.Selected()) {}

void CPlayDeviceDlg::Select(int index) {
    if (index >= 0 && static_cast<size_t>(index) < Names().size()) m_selected = index;
}

bool CPlayDeviceDlg::Ok(const std::function<void()>& recreate) {
    if (!m_choice.Store(m_selected)) return false;
    if (recreate) recreate();
    return true;
}
