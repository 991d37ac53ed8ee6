#pragma once
// Pairs the files of an album with the tracks of a release: first by the
// track (and disc) numbers the files' tags give, then the files left by
// how alike their titles (or, without a title, their file names) and the
// tracks' titles are and how close their lengths are.

#include <QString>

#include <cstdint>
#include <vector>

struct ReleaseTrack;

class TrackMatcher final {
public:
    // What is known of one file.
    struct File {
        QString title;   // the tag's title, else the file name without ".mp3"
        int track = 0;   // 0 = none
        int disc = 0;    // 0 = none
        std::int64_t lengthMs = 0; // 0 = not known
    };
    // How many matched pairs with both lengths known are within
    // kLengthTolerance of each other.
    struct LengthAgreement {
        int close = 0;
        int compared = 0;
    };

    static constexpr std::int64_t kLengthToleranceMs = 5000;
    // The least likeness of a pair matched by title and length.
    static constexpr double kLeastLikeness = 0.4;

    // For each file the index of its track in `tracks`, or -1: no track
    // fits. No track is given to two files.
    static std::vector<int> Match(const std::vector<File>& files, const std::vector<ReleaseTrack>& tracks);
    // How alike two titles are, 0..1: the share of the letter pairs the two
    // have in common, ignoring case, blanks and punctuation.
    static double TitleLikeness(const QString& a, const QString& b);
    static LengthAgreement Lengths(const std::vector<File>& files, const std::vector<ReleaseTrack>& tracks,
                                   const std::vector<int>& matching);
};
