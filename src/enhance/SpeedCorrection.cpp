#include "enhance/SpeedCorrection.h"

#include <unistd.h>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "enhance/Pitch.h"
#include "processing/FilterRunner.h"

double CSpeedCorrection::SpeedValue(int rpm) {
    switch (rpm) {
        case 33:
            return 33.333333;
        case 45:
            return 45.0;
        case 78:
            return 78.2608;
        default:
            return 0.0;
    }
}

double CSpeedCorrection::Ratio(int recordRpm, int turntableRpm) {
    const double record = SpeedValue(recordRpm);
    const double turntable = SpeedValue(turntableRpm);
    return record > 0 && turntable > 0 ? record / turntable : 0.0;
}

bool CSpeedCorrection::DoCorrectSpeed(CFilterRunner& runner, const std::string& fileName, double ratio,
                                      CFilterDlg* owner) {
    if (!(ratio >= CPitch::kMinSpeed && ratio <= CPitch::kMaxSpeed)) return false;
    CPitch pitch;
    const int p = CPitch::ParamOf(ratio);
    CFilter::Params params{};
    params[0] = p;
    params[1] = p;
    pitch.SetParams(params);

    CWaveFile wave(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    const int rc = wave.OpenRead(fileName);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, fileName);
        return false;
    }
    runner.SetSource(&wave);
    runner.SetCaption(LoadString(kMsgSpeedCaption));
    bool ok = runner.RunFilter(0, 0, &pitch, owner, false);
    if (!runner.FinishRun()) ok = false;
    // The song's waveform is out of date now; it is rebuilt when the song is shown again.
    ::unlink(PeakFileName(fileName).c_str());
    runner.SetSource(nullptr);
    return ok;
}
