#include "processing/FilterDlg.h"

#include "processing/Filter.h"

// Interim bodies until the filter class lands; the filter is never created yet.
CFilterDlg::CFilterDlg(int filterType, CFilterRunner* runner) : m_filterType(filterType), m_runner(runner) {}
CFilterDlg::~CFilterDlg() {
    m_owned.release();
}
bool CFilterDlg::OnInitDialog() {
    return false;
}
void CFilterDlg::OnPresetSelChange(int) {}
int CFilterDlg::OnSave() {
    return 1;
}
int CFilterDlg::OnDelete() {
    return 1;
}
int CFilterDlg::OnBypass() {
    return 0;
}
bool CFilterDlg::OnClose() {
    return true;
}
void CFilterDlg::ReleaseFilter() {
    m_owned.release();
}
