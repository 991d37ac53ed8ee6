// tv-tag: prints and changes the ID3v1 and ID3v2 tags of MP3 files through
// the program's own tag objects. For tests, benchmarks and debugging.
//
//   tv-tag print FILE...     one JSON object a file: both tags, and "audio"
//                            (length, bitrate, ...) when it holds MPEG audio
//   tv-tag set FILE --v1|--v2 FIELD=VALUE...   (title artist album year comment track genre)
//                            --v2 also: the fields of id3v2::kExtraFields by
//                            name (albumartist disc composer bpm originalyear
//                            publisher grouping subtitle compilation (0/1)
//                            sortartist sortalbum sorttitle isrc encodedby
//                            copyright url), which print shows in "v2"
//                            and lyrics (the first unsynchronised lyrics)
//   tv-tag frames FILE       one line a frame of the ID3v2 tag: id, size, value
//   tv-tag remove FILE --v1|--v2
//   tv-tag recover       finishes what interrupted saves left in the journal;
//                        last line "recovered N files"
//
// The tag options go anywhere on the line: --write-version 3|4|keep (the
// ID3v2 version written), --codepage NAME (of ID3v1 bytes; with
// --codepage-v2 also of ID3v2 texts in encoding 0), --keep-mtime,
// --padding N (a tag that grows or is new gets exactly N bytes of room for
// later edits; N from 0 to 268435455, the most an ID3v2 tag can hold) or
// --no-padding (no such room); the last of these two wins.

#include "audioproperties.h"
#include "codepage.h"
#include "framescommand.h"
#include "savejournal.h"
#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "unicodeutils.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string json(const std::string& text)
{
    const std::string utf8 = SanitizeUtf8(text);
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

// The extra fields of an ID3v2 tag as JSON members (empty when absent).
std::string extraFieldsJson(const Tmp3TagV2& v2)
{
    std::string out;
    for (std::size_t i = 0; i < id3v2::kExtraFieldCount; ++i)
        out += ",\"" + std::string(id3v2::kExtraFields[i].name) + "\":" + json(v2.Extra(static_cast<id3v2::ExtraField>(i)));
    return out;
}

// Sets an extra field of an ID3v2 tag by its name; false for another name.
bool applyExtraField(Tmp3TagV2& tag, const std::string& field, const std::string& value)
{
    const std::optional<id3v2::ExtraField> extra = id3v2::ExtraFieldNamed(field);
    if (!extra || (*extra == id3v2::kCompilation && value != "0" && value != "1" && !value.empty()))
        return false;
    tag.SetExtra(*extra, value);
    return true;
}

int print(const std::vector<std::string>& files, const TagOptions& options)
{
    int status = 0;
    for (const std::string& file : files) {
        Tmp3TagV1 v1(options);
        try {
            v1.LoadFromFile(file);
        } catch (const TagError& e) {
            std::cerr << e.what() << '\n';
            status = 1;
            continue;
        }
        Tmp3TagV2 v2(options);
        v2.LoadFromFile(file);
        std::cout << "{\"file\":" << json(file)
                  << ",\"v1\":{\"present\":" << (v1.TagPresent() ? "true" : "false")
                  << ",\"title\":" << json(v1.Title()) << ",\"artist\":" << json(v1.Artist())
                  << ",\"album\":" << json(v1.Album()) << ",\"year\":" << json(v1.Year())
                  << ",\"comment\":" << json(v1.Comment()) << ",\"track\":" << v1.Track()
                  << ",\"genreId\":" << v1.GenreID() << ",\"genre\":" << json(v1.Genre())
                  << "},\"v2\":{\"present\":" << (v2.TagPresent() ? "true" : "false")
                  << ",\"major\":" << v2.MajorVersion() << ",\"size\":" << v2.TagSize()
                  << ",\"title\":" << json(v2.Title()) << ",\"artist\":" << json(v2.Artist())
                  << ",\"album\":" << json(v2.Album()) << ",\"year\":" << json(v2.Year())
                  << ",\"track\":" << v2.Track() << ",\"genre\":" << json(v2.Genre()) << extraFieldsJson(v2)
                  << ",\"comment\":" << json(v2.Comment())
                  << ",\"lyrics\":" << json(LyricsText(file, options)) << '}';
        if (const std::optional<AudioProperties> audio = ReadAudioPropertiesOf(file)) {
            std::cout << ",\"audio\":{\"length_ms\":" << audio->lengthMs << ",\"bitrate_kbps\":" << audio->bitrateKbps
                      << ",\"sample_rate\":" << audio->sampleRate << ",\"channels\":" << audio->channels
                      << ",\"mode\":" << (audio->vbr ? "\"VBR\"" : "\"CBR\"")
                      << ",\"estimated\":" << (audio->estimated ? "true" : "false") << '}';
        }
        std::cout << "}\n";
    }
    return status;
}

bool parseTrack(const std::string& value, int& track)
{
    try {
        std::size_t used = 0;
        track = std::stoi(value, &used);
        return used == value.size();
    } catch (const std::exception&) {
        return false;
    }
}

template <typename Tag>
bool applyField(Tag& tag, const std::string& field, const std::string& value)
{
    if (field == "title") tag.SetTitle(value);
    else if (field == "artist") tag.SetArtist(value);
    else if (field == "album") tag.SetAlbum(value);
    else if (field == "year") tag.SetYear(value);
    else if (field == "comment") tag.SetComment(value);
    else if (field == "genre") tag.SetGenre(value);
    else if (field == "track") {
        int track = 0;
        if (!parseTrack(value, track))
            return false;
        tag.SetTrack(track);
    } else {
        return false;
    }
    return true;
}

int set(const std::string& file, bool v1, const std::vector<std::string>& assignments, const TagOptions& options)
{
    std::vector<std::pair<std::string, std::string>> fields;
    for (const std::string& a : assignments) {
        const std::size_t eq = a.find('=');
        if (eq == std::string::npos) {
            std::cerr << "tv-tag: expected FIELD=VALUE, got \"" << a << "\"\n";
            return 2;
        }
        fields.emplace_back(a.substr(0, eq), a.substr(eq + 1));
    }
    // Track first: it chooses the ID3v1 layout, which limits the comment.
    std::stable_partition(fields.begin(), fields.end(), [](const auto& f) { return f.first == "track"; });
    if (v1) {
        Tmp3TagV1 tag(options);
        try {
            tag.LoadFromFile(file);
            for (const auto& [field, value] : fields)
                if (!applyField(tag, field, value)) {
                    std::cerr << "tv-tag: bad field or value \"" << field << "=" << value << "\"\n";
                    return 2;
                }
            tag.SaveToFile(file);
        } catch (const TagError& e) {
            std::cerr << e.what() << '\n';
            return 1;
        }
        return 0;
    }
    Tmp3TagV2 tag(options);
    tag.LoadFromFile(file);
    for (const auto& [field, value] : fields)
        if (field == "lyrics")
            SetLyricsText(tag, file, value);
        else if (!applyExtraField(tag, field, value) && !applyField(tag, field, value)) {
            std::cerr << "tv-tag: bad field or value \"" << field << "=" << value << "\"\n";
            return 2;
        }
    if (!tag.SaveToFile(file)) {
        std::cerr << "tv-tag: could not write the ID3v2 tag of \"" << file << "\": " << tag.LastError() << "\n";
        return 1;
    }
    return 0;
}

int remove(const std::string& file, bool v1, const TagOptions& options)
{
    if (v1) {
        try {
            Tmp3TagV1(options).RemoveFromFile(file);
        } catch (const TagError& e) {
            std::cerr << e.what() << '\n';
            return 1;
        }
        return 0;
    }
    if (!Tmp3TagV2(options).RemoveFromFile(file)) {
        std::cerr << "tv-tag: could not remove the ID3v2 tag of \"" << file << "\"\n";
        return 1;
    }
    return 0;
}

// The largest size an ID3v2 tag's header can give (28 bits): more room than
// that cannot be written.
constexpr long long kMostPadding = 0x0FFFFFFF;

// A number of bytes of room: decimal digits only, at most kMostPadding.
bool parsePadding(const std::string& text, long long& padding)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    // Digits only, so from_chars reads them all or reports an overflow.
    long long value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc() || value > kMostPadding)
        return false;
    padding = value;
    return true;
}

// Finishes or rolls back the saves that ended processes left in the save
// journal, naming each file; the last line counts them.
int recover()
{
    const std::shared_ptr<SaveJournal> journal = SaveJournal::Process();
    if (!journal->usable()) {
        std::cerr << "tv-tag: " << journal->OpenError() << '\n';
        return 1;
    }
    const SaveJournal::RecoveryReport report = journal->Recover();
    for (const std::string& path : report.recovered)
        std::cout << "recovered " << json(path) << '\n';
    for (const auto& [path, why] : report.leftAlone)
        std::cout << "left alone " << json(path) << ": " << why << '\n';
    if (report.refused > 0)
        std::cout << "refused " << report.refused << " damaged journal records\n";
    std::cout << "recovered " << report.recovered.size() << " files\n";
    return report.leftAlone.empty() && report.refused == 0 ? 0 : 1;
}

int usage()
{
    std::cerr << "usage: tv-tag print FILE...\n"
                 "       tv-tag set FILE --v1|--v2 FIELD=VALUE...\n"
                 "       tv-tag remove FILE --v1|--v2\n"
                 "       tv-tag frames FILE\n"
                 "       tv-tag recover\n"
                 "options: --write-version 3|4|keep  --codepage NAME  --codepage-v2  --keep-mtime\n"
                 "         --padding N  --no-padding\n";
    return 2;
}

// Takes the tag options out of the arguments; false (with a message) for
// one that is not valid.
bool takeOptions(std::vector<std::string>& args, TagOptions& options)
{
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--keep-mtime") {
            options.keepModificationTime = true;
        } else if (arg == "--no-padding") {
            options.leaveRoom = false;
            options.padding = -1;
        } else if (arg == "--padding") {
            long long padding = 0;
            if (!hasValue || !parsePadding(args[i + 1], padding)) {
                std::cerr << "tv-tag: --padding needs a number of bytes from 0 to " << kMostPadding;
                if (hasValue)
                    std::cerr << ", got \"" << args[i + 1] << "\"";
                std::cerr << '\n';
                usage();
                return false;
            }
            ++i;
            options.leaveRoom = true;
            options.padding = padding;
        } else if (arg == "--codepage-v2") {
            options.codePageForId3v2 = true;
        } else if (arg == "--codepage" && hasValue) {
            const CodePage* page = CodePage::Find(args[++i]);
            if (!page) {
                std::cerr << "tv-tag: unknown code page \"" << args[i] << "\"; known:";
                for (const auto& [name, caption] : CodePage::Offered())
                    std::cerr << ' ' << name;
                std::cerr << '\n';
                return false;
            }
            options.codePage = page->Name();
        } else if (arg == "--write-version" && hasValue) {
            const std::string& version = args[++i];
            if (version == "3") {
                options.writeVersion = Id3v2WriteVersion::V23;
            } else if (version == "4") {
                options.writeVersion = Id3v2WriteVersion::V24;
            } else if (version == "keep") {
                options.writeVersion = Id3v2WriteVersion::Keep;
            } else {
                usage();
                return false;
            }
        } else {
            rest.push_back(arg);
        }
    }
    args = std::move(rest);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    TagOptions options;
    if (!takeOptions(args, options))
        return 2;
    if (args.size() == 1 && args[0] == "recover")
        return recover();
    if (args.size() == 2 && args[0] == "frames")
        return PrintFrames(args[1], options);
    if (args.size() >= 2 && args[0] == "print")
        return print({args.begin() + 1, args.end()}, options);
    if (args.size() >= 3 && (args[0] == "set" || args[0] == "remove")) {
        if (args[2] != "--v1" && args[2] != "--v2")
            return usage();
        const bool v1 = args[2] == "--v1";
        if (args[0] == "remove")
            return args.size() == 3 ? remove(args[1], v1, options) : usage();
        if (args.size() < 4)
            return usage();
        return set(args[1], v1, {args.begin() + 3, args.end()}, options);
    }
    return usage();
}
