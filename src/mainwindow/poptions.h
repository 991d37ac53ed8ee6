#pragma once
// The settings store: the four option values (optionvalues.h) kept between
// runs in QSettings("Orvanel Soft", "Tunevault"), native format, beside the
// wizards' own name patterns and the last settings of the tag actions
// (tagActions, a text read like the patterns). Booleans are stored as integers 0/1. The tag
// options are kept beside them: ID3V2VERSION ("2.3", "2.4" or "keep"),
// ID3V1CODEPAGE (a code page name), ID3V2CODEPAGE, KEEPFILETIME and TAGROOM
// (leaving room in tags for later edits) (0/1); each is read on its own, and
// one that is missing or not valid keeps its default. A fixed amount of room
// is not kept: it is tv-tag's alone.
// Beside them `browserFolder`, the folder the file browser showed at the
// last close, kept as its bytes, and how the playlist shows its rows
// (playlistTagColumns 0/1, playlistHeader bytes, playlistOrder text) and
// whether the player goes on to the next row at the end of a song
// (playNextAtEnd 0/1), and the addresses of the online lookup's services
// (musicBrainzServer, coverArtServer), each read on its own.

#include <string>
#include <vector>

// What LoadOptions could not use of the store, for one message at start.
struct OptionsLoadReport {
    std::string file;       // the store's file
    // Why the file could not be read at all (the system's reason, or that
    // its content is damaged); empty when it could, or when there is none.
    // SaveOptions then leaves it alone until SetAsideUnreadableOptions.
    std::string unreadable;
    // The stored values that could not be used, in the order of reading;
    // they keep their defaults.
    std::vector<std::string> unusedValues;

    bool empty() const { return unreadable.empty() && unusedValues.empty(); }
};

// Puts the values back to their defaults.
void SetDefaultOptions();
// Sets the defaults, then reads the wizards' patterns (a missing one keeps
// its default) and skinName, fileRoot, FNIOMP3INFO and REPLURLSPACES in that
// order. With no stored settings the defaults stand. A missing string of the
// four reads as empty; a missing boolean or a value that does not
// convert stops the reading there: the values read before it stay, the rest
// keep their defaults. `browserFolder` is read on its own (empty when
// missing or of another type). A store that cannot be read at all (no
// permission, a folder in its place, damaged content) leaves every default
// standing and is reported, and so is each stored value that is not used.
OptionsLoadReport LoadOptions();
// Writes the four values, the patterns, `browserFolder` and the values kept
// beside them. Returns false
// when the store could not be written (the values in memory are unchanged);
// `reason` then receives the system's text for the failure. A store that
// the last LoadOptions could not read is not written over.
bool SaveOptions(std::string* reason = nullptr);
// Whether the last LoadOptions could not read the store (and SaveOptions
// leaves it alone).
bool OptionsStoreHeldBack();
// Moves the store that could not be read out of the way, to its name with
// ".damaged" added (numbered when that is taken), so that the next
// SaveOptions writes a new one; `movedTo` receives the new name. False with
// the system's reason when it cannot be moved.
bool SetAsideUnreadableOptions(std::string& movedTo, std::string& reason);
