// jumpbench [ROWS] (default 100000): a playlist of ROWS rows with captions of
// the usual "Artist - Title.mp3" length (the files need not exist: a record
// without tags shows its file name), the jump-to-file window over it, and
// texts typed into its edit one keystroke at a time. Each keystroke runs
// FillResults; its median is compared with one plain pass that lower-cases
// every caption. Last line: "keystroke median X ms, lower-case pass Y ms".

#include "tfsearch.h"
#include "tplaylistmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kArtists[] = {
    "Nina Brook", "The Lanterns", "Marcus Vale", "Björk", "Sigur Rós", "Motörhead", "Beyoncé",
    "Deep Harbour", "Ellie Stone", "The Night Owls", "Paper Kites", "Joan Avery", "Kid Ferro",
    "Radio Dunes", "Silver Coast", "Tom Halloway", "Velvet Road", "Anna Lind", "Los Caminos",
    "Orchestra of Light", "Grey Fields", "Hollow Pines", "Mira Sol", "Static Dreams", "Blue Lagoon Band",
};
const char* const kWords[] = {
    "love", "night", "midnight", "river", "fire", "heart", "summer", "rain", "dance", "road", "light",
    "dream", "city", "blue", "gold", "shadow", "beat", "lonely", "home", "sky", "ocean", "wild",
    "time", "forever", "young", "broken", "angel", "storm", "morning", "train", "letter", "mirror",
    "silence", "echo", "garden", "winter", "stranger", "highway", "paradise", "secret", "ghost",
    "velvet", "honey", "thunder", "whisper", "island", "desert", "memory", "hollow", "neon",
};
const char* const kSuffixes[] = {"", "", "", "", " (Live)", " (Remastered 2011)", " (Radio Edit)", " - Acoustic"};

template <typename T, std::size_t N>
const char* Pick(const T (&items)[N], std::mt19937& rng)
{
    return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

std::string Caption(std::mt19937& rng)
{
    std::string title;
    const int words = std::uniform_int_distribution<int>(1, 5)(rng);
    for (int w = 0; w < words; ++w) {
        std::string word = Pick(kWords, rng);
        word[0] = static_cast<char>(word[0] - 'a' + 'A');
        title += (w ? " " : "") + word;
    }
    return std::string(Pick(kArtists, rng)) + " - " + title + Pick(kSuffixes, rng);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double Ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (rows <= 0) {
        std::fprintf(stderr, "usage: jumpbench [ROWS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Distinct names in a folder that does not exist.
    TPlaylistModel playlist;
    std::mt19937 rng(20240611);
    playlist.SetSortingEnabled(false);
    for (int i = 0; i < rows; ++i)
        playlist.AddFile("/nonexistent/jumpbench/" + Caption(rng) + " " + std::to_string(i) + ".mp3");
    playlist.SetSortingEnabled(true);

    QStringList captions;
    qsizetype chars = 0;
    for (int row = 0; row < playlist.Count(); ++row) {
        captions << playlist.index(row).data().toString();
        chars += captions.back().size();
    }
    std::printf("rows %d, average caption %.1f characters\n", playlist.Count(),
                static_cast<double>(chars) / std::max(1, playlist.Count()));

    std::vector<double> passes;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        qsizetype sink = 0;
        for (const QString& c : captions)
            sink += c.toLower().size();
        passes.push_back(Ms(t));
        if (sink != chars)
            return 1;
    }

    TfSearch form(playlist);
    QElapsedTimer open;
    open.start();
    form.show();
    std::printf("window shown (reads every caption once) in %.2f ms\n", Ms(open));

    // A common word, an artist and title narrowed to a few rows, accented
    // letters, and a text that matches nothing.
    const QString texts[] = {QStringLiteral("midnight"), QStringLiteral("sigur rós - hollow neon"),
                             QStringLiteral("motörhead - thunder"), QStringLiteral("velvet qz")};
    std::vector<double> keystrokes;
    double slowest = 0;
    for (const QString& text : texts) {
        form.eSearch->clear();
        for (const QChar c : text) {
            QElapsedTimer t;
            t.start();
            form.eSearch->insert(QString(c));
            keystrokes.push_back(Ms(t));
            slowest = std::max(slowest, keystrokes.back());
            QCoreApplication::processEvents();
        }
        std::printf("\"%s\": %d lines\n", text.toUtf8().constData(), form.List->count());
    }
    const double median = Median(keystrokes);
    const double pass = Median(passes);
    std::printf("keystrokes %zu, slowest %.2f ms, ratio to the lower-case pass %.2f\n", keystrokes.size(), slowest,
                pass > 0 ? median / pass : 0.0);
    std::printf("keystroke median %.2f ms, lower-case pass %.2f ms\n", median, pass);
    return 0;
}
