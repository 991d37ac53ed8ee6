#pragma once
// The settings store: the four option values (optionvalues.h) kept between
// runs in QSettings("Orvanel Soft", "Tunevault"), native format, beside the
// wizards' own name patterns. Booleans are stored as integers 0/1. The tag
// options are kept beside them: ID3V2VERSION ("2.3", "2.4" or "keep"),
// ID3V1CODEPAGE (a code page name), ID3V2CODEPAGE, KEEPFILETIME and TAGROOM
// (leaving room in tags for later edits) (0/1); each is read on its own, and
// one that is missing or not valid keeps its default. A fixed amount of room
// is not kept: it is tv-tag's alone.
// Beside them `browserFolder`, the folder the file browser showed at the
// last close, kept as its bytes.

#include <string>

// Puts the values back to their defaults.
void SetDefaultOptions();
// Sets the defaults, then reads the wizards' patterns (a missing one keeps
// its default) and skinName, fileRoot, FNIOMP3INFO and REPLURLSPACES in that
// order. With no stored settings the defaults stand. A missing string of the
// four reads as empty; a missing boolean or a value that does not
// convert stops the reading there: the values read before it stay, the rest
// keep their defaults. `browserFolder` is read on its own (empty when
// missing or of another type).
void LoadOptions();
// Writes the four values, the patterns and `browserFolder`. Returns false
// when the store could not be written (the values in memory are unchanged);
// `reason` then receives the system's text for the failure.
bool SaveOptions(std::string* reason = nullptr);
