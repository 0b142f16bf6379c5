#include "Commands.h"

int CmdDemo(const std::vector<std::string>&) { return 1; }
