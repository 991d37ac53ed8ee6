#pragma once
// The one form in which operating-system failures of file operations are shown.

class Prompts;

// Shows "Error " + code + " : " + the system's text in an error box; a code of
// 0 stands for the current errno. Returns whether a box was shown (false when
// the resulting code is 0).
bool ShowOsError(Prompts& prompts, int code);
