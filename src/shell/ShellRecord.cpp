// Recording from a record player or a tape deck.
#include "base/StringTable.h"
#include "shell/ShellDlg.h"

bool CShellDlg::RunRecordAction(int action) {
    (void)action;
    ShowMessage(kMsgRecordingNotAvailable, MsgIcon::Information);
    return false;
}
