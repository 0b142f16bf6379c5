#include "Commands.h"

int CmdInfo(const std::vector<std::string>&) { return 1; }
