#pragma once
// File URLs as path bytes. Dialogs and drops hand over URLs whose path is
// percent-encoded from the file system's bytes, so a name that is not valid
// UTF-8 survives them; decoding the encoded form gives those bytes back,
// where a detour through QString would replace them.

#include <QUrl>

#include <string>

// The local path of `url` as bytes; empty when it is not a local file URL.
std::string LocalFilePath(const QUrl& url);
