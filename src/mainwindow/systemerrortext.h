#pragma once
// The operating system's text for an errno value, without trailing blanks,
// line breaks and full stops.

#include <QString>

QString SystemErrorText(int code);
