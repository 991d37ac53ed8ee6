// A save that changes one field keeps every other frame with its meaning:
// comments of other programs, genres, several values, encodings, compressed
// and encrypted frames. Tags are built byte by byte.

#include "tagtestutil.h"
#include "tmp3tagv2.h"
#include "unicodeutils.h"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

std::string Text(const std::string& latin1) { return std::string(1, '\0') + latin1; }
std::string Utf16(const std::string& utf8) { return "\xFF\xFE"s.append(Utf8ToUtf16(utf8, false)); }
// The parts one after the other (built by appending, which GCC 12 at -O3
// does not mistake for overlapping copies as it does some concatenations).
std::string Cat(std::initializer_list<std::string_view> parts)
{
    std::string out;
    for (const std::string_view part : parts)
        out.append(part);
    return out;
}

std::size_t Count(const std::string& haystack, const std::string& needle)
{
    std::size_t count = 0;
    for (std::size_t pos = haystack.find(needle); pos != std::string::npos; pos = haystack.find(needle, pos + 1))
        ++count;
    return count;
}

std::string Zlib(const std::string& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

class KeepFrames : public ::testing::Test {
protected:
    // Writes a tag, loads it, lets `edit` change the object, saves and
    // returns the file's bytes.
    template <typename Edit>
    std::string SaveEdited(const std::string& tag, Edit edit)
    {
        WriteFile(path, tag + AudioBytes());
        Tmp3TagV2 v2;
        EXPECT_TRUE(v2.LoadFromFile(path));
        edit(v2);
        EXPECT_TRUE(v2.SaveToFile(path)) << v2.LastError();
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());
        return bytes;
    }
    Tmp3TagV2 Load(const std::string& tag)
    {
        WriteFile(path, tag + AudioBytes());
        return Reload();
    }
    Tmp3TagV2 Reload()
    {
        Tmp3TagV2 v2;
        EXPECT_TRUE(v2.LoadFromFile(path));
        return v2;
    }

    TempDir dir;
    const std::string path = dir.file("song.mp3");
};

}  // namespace

TEST_F(KeepFrames, CommentIsTheFirstCommentFrameWithoutDescription)
{
    const std::string norm = Frame23("COMM", ("\0engiTunNORM\0 0000021A 00000200"s));
    const std::string smpb = Frame23("COMM", ("\0engiTunSMPB\0 00000000 00000210"s));
    const std::string title = Frame23("TIT2", Text("Song"));

    // Described frames only: no comment, and a title edit keeps them exactly.
    EXPECT_EQ(Load(Tag(3, norm + smpb + title)).Comment(), "");
    std::string bytes = SaveEdited(Tag(3, norm + smpb + title), [](Tmp3TagV2& t) { t.SetTitle("Other"); });
    EXPECT_NE(bytes.find(norm), std::string::npos);
    EXPECT_NE(bytes.find(smpb), std::string::npos);
    EXPECT_EQ(Count(bytes, "COMM"), 2u);
    EXPECT_EQ(Reload().Comment(), "");

    // Setting a comment adds a frame with an empty description.
    bytes = SaveEdited(Tag(3, norm + smpb), [](Tmp3TagV2& t) { t.SetComment("Mine"); });
    EXPECT_NE(bytes.find(Frame23("COMM", ("\0eng\0Mine"s))), std::string::npos);
    EXPECT_NE(bytes.find(norm), std::string::npos);
    EXPECT_EQ(Reload().Comment(), "Mine");

    // An unchanged comment keeps its frame, language and encoding included;
    // a changed one keeps its language.
    const std::string german = Frame23("COMM", Cat({"\x01" "deu", Utf16(""), "\0\0"sv, Utf16("Hallo")}));
    EXPECT_EQ(Load(Tag(3, norm + german)).Comment(), "Hallo");
    bytes = SaveEdited(Tag(3, norm + german), [](Tmp3TagV2& t) { t.SetArtist("Artist"); });
    EXPECT_NE(bytes.find(german), std::string::npos);
    bytes = SaveEdited(Tag(3, german), [](Tmp3TagV2& t) { t.SetComment("Tschüss"); });
    EXPECT_NE(bytes.find(Frame23("COMM", ("\0deu\0Tsch\xFCss"s))), std::string::npos);

    // Clearing the comment never lets a later comment frame take its place.
    const std::string french = Frame23("COMM", ("\0fra\0Salut"s));
    SaveEdited(Tag(3, german + french), [](Tmp3TagV2& t) { t.SetComment(""); });
    EXPECT_EQ(Reload().Comment(), "");
    EXPECT_NE(ReadFile(path).find(french), std::string::npos);
}

TEST_F(KeepFrames, GenreFollowsTheVersion3Rules)
{
    const auto genreOf = [&](const std::string& text) { return Load(Tag(3, Frame23("TCON", Text(text)))).Genre(); };
    EXPECT_EQ(genreOf("Rock (Live)"), "Rock (Live)");
    EXPECT_EQ(genreOf("(17)(18)"), "Rock/Techno");
    EXPECT_EQ(genreOf("(4)Eurodisco"), "Eurodisco");
    EXPECT_EQ(genreOf("((I can't say)"), "(I can't say)");
    EXPECT_EQ(genreOf("(55)((I think...)"), "(I think...)");
    EXPECT_EQ(genreOf("(RX)(CR)"), "Remix/Cover");
    EXPECT_EQ(genreOf("(x)89"), "(x)89");

    // Unchanged genres survive a save as they were.
    for (const std::string text : {"Rock (Live)", "(17)(18)", "(4)Eurodisco"}) {
        const std::string frame = Frame23("TCON", Text(text));
        const std::string bytes = SaveEdited(Tag(3, frame), [](Tmp3TagV2& t) { t.SetTitle("T"); });
        EXPECT_NE(bytes.find(frame), std::string::npos) << text;
    }
    // A typed genre that begins with "(" is escaped and reads back as typed.
    const std::string bytes = SaveEdited(Tag(3, ""), [](Tmp3TagV2& t) { t.SetGenre("(Live) Jazz"); });
    EXPECT_NE(bytes.find(Frame23("TCON", Text("((Live) Jazz"))), std::string::npos);
    EXPECT_EQ(Reload().Genre(), "(Live) Jazz");
}

TEST_F(KeepFrames, Version4ValuesAreAllKept)
{
    const std::string frames = Frame24("TPE1", ("\x03" "Alpha\0Beta"s)) + Frame24("TALB", ("\0One\0Two\0"s))
        + Frame24("TCON", ("\0" "17\0" "8\0Eurodisco"s)) + Frame24("TIT2", Text("Old"));
    const Tmp3TagV2 loaded = Load(Tag(4, frames));
    EXPECT_EQ(loaded.Artist(), "Alpha/Beta");
    EXPECT_EQ(loaded.Album(), "One/Two");
    EXPECT_EQ(loaded.Genre(), "Eurodisco");

    const std::string bytes = SaveEdited(Tag(4, frames), [](Tmp3TagV2& t) { t.SetTitle("New"); });
    EXPECT_NE(bytes.find(Frame23("TPE1", Cat({"\x01", Utf16("Alpha/Beta")}))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("TALB", Text("One/Two"))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("TCON", Text("(17)(8)Eurodisco"))), std::string::npos);
    const Tmp3TagV2 again = Reload();
    EXPECT_EQ(again.Artist(), "Alpha/Beta");
    EXPECT_EQ(again.Album(), "One/Two");
    EXPECT_EQ(again.Title(), "New");
}

TEST_F(KeepFrames, NoFrameKeepsAnEncodingVersion3DoesNotKnow)
{
    // UTF-8 (3) and UTF-16BE (2) texts in every kind of frame that has texts.
    const std::string frames = Frame24("WXXX", ("\x03Seite\0http://x.org/"s))
        + Frame24("USER", ("\x03" "deuNur für dich"s))
        + Frame24("GEOB", ("\x03text/plain\0n\xC3\xA4me.txt\0Beschr\0DATA"s))
        + Frame24("SYLT", ("\x03" "eng\x02\x01" "Desc\0" "La\0\0\0\0\x10" "Li\0\0\0\0\x20"s))
        + Frame24("OWNE", ("\x03" "EUR9.99\0" "20240101" "H\xC3\xA4ndler"s))
        + Frame24("COMR", ("\x03" "EUR1\0" "20250101" "http://s/\0" "\x01" "S\xC3\xA9ller\0Desc\0image/png\0LOGO"s))
        + Frame23("USLT", ("\x02" "eng\0D\0\0\0L"s));
    const std::string bytes = SaveEdited(Tag(4, frames), [](Tmp3TagV2& t) { t.SetTitle("T"); });
    const std::string_view z = "\0\0"sv;
    EXPECT_NE(bytes.find(Frame23("WXXX", Cat({"\x01", Utf16("Seite"), z, "http://x.org/"}))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("USER", Cat({"\x01" "deu", Utf16("Nur für dich")}))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("GEOB", Cat({"\x01text/plain\0"sv, Utf16("näme.txt"), z, Utf16("Beschr"), z, "DATA"}))),
              std::string::npos);
    EXPECT_NE(bytes.find(Frame23("SYLT", Cat({"\x01" "eng\x02\x01", Utf16("Desc"), z, Utf16("La"), z, "\0\0\0\x10"sv,
                                              Utf16("Li"), z, "\0\0\0\x20"sv}))),
              std::string::npos);
    EXPECT_NE(bytes.find(Frame23("OWNE", Cat({"\x01" "EUR9.99\0" "20240101"sv, Utf16("Händler")}))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("COMR", Cat({"\x01" "EUR1\0" "20250101" "http://s/\0" "\x01"sv, Utf16("Séller"), z,
                                              Utf16("Desc"), z, "image/png\0LOGO"sv}))),
              std::string::npos);
    EXPECT_NE(bytes.find(Frame23("USLT", Cat({"\x01" "eng", Utf16("D"), z, Utf16("L")}))), std::string::npos);
}

TEST_F(KeepFrames, CompressedFramesAreReadEncryptedOnesKept)
{
    // ID3v2.3: the decompressed size, then zlib data.
    const auto compressed23 = [](const std::string& id, const std::string& content) {
        return Frame23(id, Be32(static_cast<std::uint32_t>(content.size())) + Zlib(content), 0x80);
    };
    const std::string txxx = ("\0Key\0Value"s);
    const std::string frames = compressed23("TIT2", Text("Packed title")) + compressed23("TXXX", txxx);
    EXPECT_EQ(Load(Tag(3, frames)).Title(), "Packed title");
    std::string bytes = SaveEdited(Tag(3, frames), [](Tmp3TagV2& t) { t.SetAlbum("Album"); });
    EXPECT_NE(bytes.find(Frame23("TIT2", Text("Packed title"))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("TXXX", txxx)), std::string::npos);

    // ID3v2.4: data length indicator and compression flags.
    const std::string artist = Text("Packed artist");
    const std::string frame24 = Frame24("TPE1", Syncsafe(static_cast<std::uint32_t>(artist.size())) + Zlib(artist), 0, 0x09);
    EXPECT_EQ(Load(Tag(4, frame24)).Artist(), "Packed artist");

    // An encrypted title cannot be read; unchanged it stays the only title.
    const std::string secret = Frame23("TIT2", "\x81ZZZZZZZZZZZZ", 0x40);
    EXPECT_EQ(Load(Tag(3, secret + Frame23("TPE1", Text("A")))).Title(), "");
    bytes = SaveEdited(Tag(3, secret + Frame23("TPE1", Text("A"))), [](Tmp3TagV2& t) { t.SetArtist("B"); });
    EXPECT_NE(bytes.find(secret), std::string::npos);
    EXPECT_EQ(Count(bytes, "TIT2"), 1u);
    // A title the user sets takes its place.
    bytes = SaveEdited(Tag(3, secret), [](Tmp3TagV2& t) { t.SetTitle("Open"); });
    EXPECT_EQ(bytes.find(secret), std::string::npos);
    EXPECT_EQ(Reload().Title(), "Open");
}
