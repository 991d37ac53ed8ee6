#pragma once
// The album lookup's service over the network: the MusicBrainz web service
// (version 2, JSON) and the Cover Art Archive, through Qt Network. The
// web service's rules are kept: requests to it start at least a second
// apart (one at a time, in the order asked), each names the program, its
// version and the maker's support address in its User-Agent, and the
// default addresses are HTTPS. The Cover Art Archive has a queue of its
// own, one request at a time. Redirects are followed (the archive sends
// its images from another host), but never from HTTPS to HTTP. A request
// that takes longer than the time-out is given up with a message.

#include "albumlookupservice.h"

#include <QObject>
#include <QUrl>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class MusicBrainzClient final : public QObject, public AlbumLookupService {
    Q_OBJECT
public:
    struct Settings {
        // The addresses of the two services ("https://musicbrainz.org"); a
        // path is kept ("http://mirror.example:5000/mb").
        QString musicBrainzServer;
        QString coverArtServer;
        std::chrono::milliseconds timeout {20000};
        // The least time between the starts of two web-service requests.
        std::chrono::milliseconds interval {1000};
    };

    explicit MusicBrainzClient(Settings settings, QObject* parent = nullptr);
    ~MusicBrainzClient() override;

    // "Tunevault/1.0.0 ( support@... )".
    static QByteArray UserAgent();
    // The web-service search text for a query: release:"..." AND
    // artist:"..." AND tracks:N, each part only where it is given, with the
    // characters the search syntax reserves escaped.
    static QString SearchText(const ReleaseQuery& query);

    void SearchReleases(const ReleaseQuery& query, Reply<std::vector<ReleaseCandidate>> reply) override;
    void LookUpRelease(const QString& releaseId, Reply<AlbumRelease> reply) override;
    void FetchFrontCover(const QString& releaseId, bool original, Reply<QByteArray> reply) override;
    void CancelAll() override;
    bool Busy() const override;

private:
    // What came back: the HTTP status (0 without an answer) and the body,
    // or the message of what failed.
    struct Answer {
        QString error;
        int status = 0;
        QByteArray body;
    };
    using Done = std::function<void(const Answer&)>;
    struct Request {
        QUrl url;
        Done done;
        // A 404 answer is no error (a release without covers).
        bool notFoundIsAnswer = false;
    };
    struct DeleteLater {
        void operator()(QObject* object) const;
    };
    // One queue of requests, one running at a time.
    struct Lane {
        std::chrono::milliseconds interval {0};
        std::deque<Request> waiting;
        std::unique_ptr<QNetworkReply, DeleteLater> running;
        std::optional<Request> current;
        std::unique_ptr<QTimer> timeout;
        bool timedOut = false;
        std::optional<std::chrono::steady_clock::time_point> lastStart;
        std::unique_ptr<QTimer> pacer;
    };

    static QUrl ServiceUrl(const QString& server, const QString& path);
    void Enqueue(Lane& lane, Request request);
    void Pump(Lane& lane);
    void Start(Lane& lane);
    void Finished(Lane& lane);
    Answer AnswerOf(Lane& lane, QNetworkReply& reply) const;

    Settings m_settings;
    std::unique_ptr<QNetworkAccessManager> m_network;
    Lane m_webService;
    Lane m_coverArt;
};
