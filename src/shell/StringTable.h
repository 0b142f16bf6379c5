// The one table of user texts, looked up by number, and the one path by
// which a numbered message reaches the user.
#pragma once

#include <string>

#include "shell/Services.h"

// The text with this number, or an empty string when the table has none.
const std::string& LoadString(int id);

// The text with every "%1" replaced by arg.
std::string FormatString(int id, const std::string& arg = {});

// Replaces every "%1" in text by arg.
std::string ReplaceArg(std::string text, const std::string& arg);

// Shows message id (with "%1" replaced by arg) in a box captioned with the
// program's name; returns the answer.
MsgAnswer ShowMessage(int id, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok, const std::string& arg = {});

// The caption of the program's message boxes.
inline constexpr const char* kAppCaption = "Restova";
