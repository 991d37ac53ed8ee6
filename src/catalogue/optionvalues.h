#pragma once
// The program's settings, and the folder the file browser showed at the
// last close, as plain process-wide values. They live here, in
// the standard-C++ layer, so that the file record can read them without
// knowing the settings store; the store (poptions) loads and saves them.

#include "tagoptions.h"

#include <string>

namespace options {

// Name of the skin every window is painted with.
extern std::string skinName;
// Carried along unchanged between runs; nothing else reads it.
extern std::string fileRoot;
// true: playlist rows show the file name; false: the tag caption where there is one.
extern bool FNIOMP3INFO;
// true: every "%20" in a displayed name is shown as one blank.
extern bool REPLURLSPACES;
// The last name patterns of the user's own in the rename wizard and in the
// tag setup wizard, kept beside the four settings. The rename pattern starts
// as a name in the file's own folder (a collection is mostly kept one album
// to a folder already), and in the form the tag pattern reads back.
extern std::string customRenamePattern;
extern std::string customTagPattern;
// The folder the file browser showed when the main window was last closed,
// as path bytes; empty before the first close.
extern std::string browserFolder;
// How the playlist shows its rows: the table of tags instead of the one
// column of captions; the table's header as the view saved it (its columns'
// order, widths and which are hidden); and the order of the rows:
// "caption" (or empty), "album", or "column N" / "column N descending".
extern bool playlistTagColumns;
extern std::string playlistHeader;
extern std::string playlistOrder;
// true: when a song has played to its end, the player goes on with the song
// of the next playlist row (and stops after the last row).
extern bool playNextAtEnd;
// The last run of "Tag actions": the action and its settings, as the tag
// tools write them (empty: their defaults).
extern std::string tagActionSettings;

// The addresses of the MusicBrainz web service and of the Cover Art
// Archive that "Look up album online" asks (a mirror may stand in).
extern std::string musicBrainzServer;
extern std::string coverArtServer;

inline constexpr const char* kDefaultMusicBrainzServer = "https://musicbrainz.org";
inline constexpr const char* kDefaultCoverArtServer = "https://coverartarchive.org";
inline constexpr const char* kDefaultSkinName = "TheFrog";
inline constexpr const char* kDefaultFileRoot = "rfMyComputer";
inline constexpr bool kDefaultFNIOMP3INFO = false;
inline constexpr bool kDefaultREPLURLSPACES = true;
inline constexpr bool kDefaultPlayNextAtEnd = false;
inline constexpr const char* kDefaultCustomRenamePattern = "%track2% - %artist% - %title%.mp3";
inline constexpr const char* kDefaultCustomTagPattern = "%track% - %artist% - %title%";

// Puts the values back to their defaults (the tag options too).
void SetDefaultOptionValues();

// How the tag objects read and write: the options of the "Tags" page of the
// preferences, handed to every tag object the program makes. Tags are read
// on worker threads as well, so the value is read and set only through
// these two calls.
TagOptions CurrentTagOptions();
void SetTagOptions(const TagOptions& tagOptions);

} // namespace options
