// CSpeedCorrection: re-times a whole song recorded at the wrong turntable
// speed. The Pitch filter runs over the song through the filter runner, and
// the result is committed into the song's own file as a recorded step.
#pragma once

#include <string>

class CFilterDlg;
class CFilterRunner;

class CSpeedCorrection {
public:
    // The nominal speed a turntable setting stands for (33, 45 or 78 rpm), in rpm; 0 for others.
    static double SpeedValue(int rpm);
    // The correction ratio for a record cut at recordRpm played at turntableRpm; 0 when either is unknown.
    static double Ratio(int recordRpm, int turntableRpm);
    // Runs Pitch with a constant speed ratio over the whole of fileName (caption 148) and commits
    // the result into it; the song's peak file is removed. False when the ratio is out of range,
    // the file cannot be opened, or the run or its commit failed.
    static bool DoCorrectSpeed(CFilterRunner& runner, const std::string& fileName, double ratio,
                               CFilterDlg* owner = nullptr);
};
