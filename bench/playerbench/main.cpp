// playerbench FILE [TRIES]
// Times, over TRIES tries (20 by default), how long the player takes from
// PlayFile to the position first advancing, from SeekTo (followed by
// StartPlaying, as the window does) to playing past the target, and how long
// StopPlaying blocks. Prints the medians; the last line is
// "open+start median X ms, seek median Y ms".

#include "gstmediabackend.h"
#include "musikplayer.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Timeout = std::chrono::seconds(10);

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits until the position passes the mark; false on time-out.
bool waitForPositionAbove(MusikPlayer& player, std::uint32_t mark)
{
    const auto start = Clock::now();
    while (player.GetSongPosition() <= mark) {
        if (Clock::now() - start > Timeout)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void report(const char* what, const std::vector<double>& values)
{
    if (values.empty()) {
        std::printf("%-11s no successful try\n", what);
        return;
    }
    std::printf("%-11s median %7.1f ms  min %7.1f ms  max %7.1f ms  (%zu tries)\n", what, median(values),
                *std::min_element(values.begin(), values.end()), *std::max_element(values.begin(), values.end()),
                values.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: playerbench FILE [TRIES]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int tries = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    QCoreApplication application(argc, argv);
    MusikPlayer player(std::make_unique<GstMediaBackend>());

    std::vector<double> starts;
    std::vector<double> seeks;
    std::vector<double> stops;
    int failures = 0;
    for (int i = 0; i < tries; ++i) {
        auto start = Clock::now();
        if (!player.PlayFile(file)) {
            std::fprintf(stderr, "cannot open %s\n", file.c_str());
            return 1;
        }
        if (!waitForPositionAbove(player, 0)) {
            ++failures;
            player.StopPlaying();
            continue;
        }
        starts.push_back(millisecondsSince(start));

        // Targets spread over the song, away from its end.
        const std::uint32_t length = player.GetSongLength();
        const std::uint32_t span = length > 1500 ? length - 1000 : length / 2;
        const std::uint32_t target = 200 + span * static_cast<std::uint32_t>((i * 7) % tries) / static_cast<std::uint32_t>(tries);
        start = Clock::now();
        player.SeekTo(target);
        player.StartPlaying();
        if (waitForPositionAbove(player, target))
            seeks.push_back(millisecondsSince(start));
        else
            ++failures;

        start = Clock::now();
        player.StopPlaying();
        stops.push_back(millisecondsSince(start));
        QCoreApplication::processEvents();
    }

    std::printf("file: %s\n", file.c_str());
    report("open+start", starts);
    report("seek", seeks);
    report("stop", stops);
    if (failures)
        std::printf("%d tries timed out\n", failures);
    std::printf("open+start median %.1f ms, seek median %.1f ms\n", median(starts), median(seeks));
    return failures ? 1 : 0;
}
