#include "audiofile/EditQueue.h"

int CEditQueue::OpenSession(const std::string&, const WAVEFORMATEX&, uint32_t) { return -1; }
int64_t CEditQueue::ReadStream(void*, int64_t) { return 0; }
int64_t CEditQueue::SeekStream(int64_t, int) { return 0; }
void CEditQueue::CloseSegments() {}
