#include "audiofile/FileNames.h"

// Placeholder bodies; the real rules arrive with the session work.
std::string SessionFileName(const std::string& songPath) { return songPath + ".ses"; }
std::string PeakFileName(const std::string& wavePath) { return wavePath + ".pkf"; }
std::string TempWaveName(const std::string& tempDir, int start) {
    return FileInTempDir(tempDir, "dctmp" + std::to_string(start) + ".wav");
}
std::string NumberedVariant(const std::string& path, int) { return path + "1"; }
std::string FileInTempDir(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}
