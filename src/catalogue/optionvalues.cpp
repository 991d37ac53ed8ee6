#include "optionvalues.h"

#include <mutex>

namespace options {

std::string skinName = kDefaultSkinName;
std::string fileRoot = kDefaultFileRoot;
bool FNIOMP3INFO = kDefaultFNIOMP3INFO;
bool REPLURLSPACES = kDefaultREPLURLSPACES;
std::string customRenamePattern = kDefaultCustomRenamePattern;
std::string customTagPattern = kDefaultCustomTagPattern;
std::string browserFolder;
bool playlistTagColumns = false;
std::string playlistHeader;
std::string playlistOrder;
bool playNextAtEnd = kDefaultPlayNextAtEnd;
std::string tagActionSettings;
std::string musicBrainzServer = kDefaultMusicBrainzServer;
std::string coverArtServer = kDefaultCoverArtServer;

namespace {

std::mutex tagOptionsMutex;
TagOptions tagOptionsValue;

} // namespace

TagOptions CurrentTagOptions()
{
    const std::lock_guard lock(tagOptionsMutex);
    return tagOptionsValue;
}

void SetTagOptions(const TagOptions& tagOptions)
{
    const std::lock_guard lock(tagOptionsMutex);
    tagOptionsValue = tagOptions;
}

void SetDefaultOptionValues()
{
    SetTagOptions({});
    skinName = kDefaultSkinName;
    fileRoot = kDefaultFileRoot;
    FNIOMP3INFO = kDefaultFNIOMP3INFO;
    REPLURLSPACES = kDefaultREPLURLSPACES;
    customRenamePattern = kDefaultCustomRenamePattern;
    customTagPattern = kDefaultCustomTagPattern;
    browserFolder.clear();
    playlistTagColumns = false;
    playlistHeader.clear();
    playlistOrder.clear();
    playNextAtEnd = kDefaultPlayNextAtEnd;
    tagActionSettings.clear();
    musicBrainzServer = kDefaultMusicBrainzServer;
    coverArtServer = kDefaultCoverArtServer;
}

} // namespace options
