#include "trackmatcher.h"

#include "albumrelease.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <tuple>

namespace {

// Letters and digits in lower case; everything else goes.
QString Folded(const QString& text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.isLetterOrNumber())
            out += c.toCaseFolded();
    }
    return out;
}

std::vector<QString> Pairs(const QString& text)
{
    std::vector<QString> pairs;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        pairs.push_back(text.mid(i, 2));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// How close two lengths are, 0..1; nothing known counts as neither.
double Closeness(std::int64_t a, std::int64_t b)
{
    const double apart = static_cast<double>(std::llabs(a - b));
    return std::max(0.0, 1.0 - apart / (4.0 * static_cast<double>(TrackMatcher::kLengthToleranceMs)));
}

} // namespace

double TrackMatcher::TitleLikeness(const QString& a, const QString& b)
{
    const QString x = Folded(a);
    const QString y = Folded(b);
    if (x.isEmpty() || y.isEmpty())
        return 0.0;
    if (x == y)
        return 1.0;
    const std::vector<QString> px = Pairs(x);
    const std::vector<QString> py = Pairs(y);
    if (px.empty() || py.empty())
        return 0.0;
    std::vector<QString> common;
    std::set_intersection(px.begin(), px.end(), py.begin(), py.end(), std::back_inserter(common));
    return 2.0 * static_cast<double>(common.size()) / static_cast<double>(px.size() + py.size());
}

std::vector<int> TrackMatcher::Match(const std::vector<File>& files, const std::vector<ReleaseTrack>& tracks)
{
    std::vector<int> matching(files.size(), -1);
    std::vector<bool> taken(tracks.size(), false);
    const bool oneDisc = std::all_of(tracks.begin(), tracks.end(), [](const ReleaseTrack& t) { return t.disc == 1; });
    // The numbers first: a file without a disc number is on the first disc.
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (files[f].track <= 0)
            continue;
        const int disc = oneDisc || files[f].disc <= 0 ? 1 : files[f].disc;
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            if (!taken[t] && tracks[t].position == files[f].track && (oneDisc || tracks[t].disc == disc)) {
                matching[f] = static_cast<int>(t);
                taken[t] = true;
                break;
            }
        }
    }
    // Then the best of all remaining pairs, one after the other.
    std::vector<std::tuple<double, std::size_t, std::size_t>> pairs;
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (matching[f] >= 0)
            continue;
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            if (taken[t])
                continue;
            double likeness = TitleLikeness(files[f].title, tracks[t].title);
            if (files[f].lengthMs > 0 && tracks[t].lengthMs > 0)
                likeness = 0.7 * likeness + 0.3 * Closeness(files[f].lengthMs, tracks[t].lengthMs);
            if (likeness >= kLeastLikeness)
                pairs.emplace_back(likeness, f, t);
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return std::get<0>(a) > std::get<0>(b); });
    for (const auto& [likeness, f, t] : pairs) {
        if (matching[f] < 0 && !taken[t]) {
            matching[f] = static_cast<int>(t);
            taken[t] = true;
        }
    }
    return matching;
}

TrackMatcher::LengthAgreement TrackMatcher::Lengths(const std::vector<File>& files,
                                                    const std::vector<ReleaseTrack>& tracks,
                                                    const std::vector<int>& matching)
{
    LengthAgreement agreement;
    for (std::size_t f = 0; f < files.size() && f < matching.size(); ++f) {
        const int t = matching[f];
        if (t < 0 || static_cast<std::size_t>(t) >= tracks.size())
            continue;
        const std::int64_t a = files[f].lengthMs;
        const std::int64_t b = tracks[static_cast<std::size_t>(t)].lengthMs;
        if (a <= 0 || b <= 0)
            continue;
        ++agreement.compared;
        if (std::llabs(a - b) <= kLengthToleranceMs)
            ++agreement.close;
    }
    return agreement;
}
