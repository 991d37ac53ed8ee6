#include "musicbrainzclient.h"

#include "makercontacts.h"
#include "musicbrainzjson.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

// More than any cover the tags take (CheckPicture allows 16 MB) or any
// answer of the web service: a longer body is given up.
constexpr qint64 kMaxBody = 32 * 1024 * 1024;

// The server as the messages name it: "musicbrainz.org", "127.0.0.1:8080".
QString ServerName(const QUrl& url)
{
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

QString Unreadable(const QUrl& url, const QString& why)
{
    return QStringLiteral("The answer of %1 could not be read: %2.").arg(ServerName(url), why);
}

// Escapes what the search syntax reserves inside a quoted phrase.
QString Phrase(const QString& text)
{
    QString escaped;
    for (const QChar c : text.simplified()) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

void MusicBrainzClient::DeleteLater::operator()(QObject* object) const
{
    object->deleteLater();
}

MusicBrainzClient::MusicBrainzClient(Settings settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_network(std::make_unique<QNetworkAccessManager>())
{
    m_webService.interval = m_settings.interval;
    for (Lane* lane : {&m_webService, &m_coverArt}) {
        lane->timeout = std::make_unique<QTimer>();
        lane->timeout->setSingleShot(true);
        connect(lane->timeout.get(), &QTimer::timeout, this, [lane] {
            if (lane->running) {
                lane->timedOut = true;
                lane->running->abort();
            }
        });
        lane->pacer = std::make_unique<QTimer>();
        lane->pacer->setSingleShot(true);
        connect(lane->pacer.get(), &QTimer::timeout, this, [this, lane] { Pump(*lane); });
    }
}

MusicBrainzClient::~MusicBrainzClient()
{
    CancelAll();
}

QByteArray MusicBrainzClient::UserAgent()
{
    return QByteArrayLiteral("Tunevault/") + QByteArray(TV_VERSION) + QByteArrayLiteral(" ( ")
           + QByteArray(maker::kSupportAddress) + QByteArrayLiteral(" )");
}

QString MusicBrainzClient::SearchText(const ReleaseQuery& query)
{
    QStringList parts;
    if (!query.album.trimmed().isEmpty())
        parts << QStringLiteral("release:") + Phrase(query.album);
    if (!query.artist.trimmed().isEmpty())
        parts << QStringLiteral("artist:") + Phrase(query.artist);
    if (query.tracks > 0)
        parts << QStringLiteral("tracks:%1").arg(query.tracks);
    return parts.join(QStringLiteral(" AND "));
}

QUrl MusicBrainzClient::ServiceUrl(const QString& server, const QString& path)
{
    QUrl url(server.trimmed());
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

void MusicBrainzClient::SearchReleases(const ReleaseQuery& query, Reply<std::vector<ReleaseCandidate>> reply)
{
    QUrl url = ServiceUrl(m_settings.musicBrainzServer, QStringLiteral("/ws/2/release/"));
    // Encoded here: a "+" left as it is would reach the server as a blank.
    url.setQuery(QStringLiteral("query=") + QString::fromLatin1(QUrl::toPercentEncoding(SearchText(query)))
                     + QStringLiteral("&fmt=json&limit=25"),
                 QUrl::StrictMode);
    Enqueue(m_webService, {url, [url, reply = std::move(reply)](const Answer& answer) {
                               std::vector<ReleaseCandidate> releases;
                               QString why;
                               if (!answer.error.isEmpty())
                                   reply(answer.error, releases);
                               else if (!MusicBrainzJson::ReadReleaseSearch(answer.body, releases, why))
                                   reply(Unreadable(url, why), {});
                               else
                                   reply({}, releases);
                           }});
}

void MusicBrainzClient::LookUpRelease(const QString& releaseId, Reply<AlbumRelease> reply)
{
    QUrl url = ServiceUrl(m_settings.musicBrainzServer,
                          QStringLiteral("/ws/2/release/") + QString::fromLatin1(QUrl::toPercentEncoding(releaseId)));
    url.setQuery(QStringLiteral("inc=artist-credits+recordings+release-groups+genres&fmt=json"), QUrl::StrictMode);
    Enqueue(m_webService, {url, [url, reply = std::move(reply)](const Answer& answer) {
                               AlbumRelease release;
                               QString why;
                               if (!answer.error.isEmpty())
                                   reply(answer.error, release);
                               else if (!MusicBrainzJson::ReadRelease(answer.body, release, why))
                                   reply(Unreadable(url, why), {});
                               else
                                   reply({}, release);
                           }});
}

void MusicBrainzClient::FetchFrontCover(const QString& releaseId, bool original, Reply<QByteArray> reply)
{
    const QUrl listing = ServiceUrl(m_settings.coverArtServer, QStringLiteral("/release/")
                                                                   + QString::fromLatin1(QUrl::toPercentEncoding(releaseId))
                                                                   + QLatin1Char('/'));
    const bool secure = listing.scheme() == QLatin1String("https");
    Request request {listing, [this, listing, original, secure, reply = std::move(reply)](const Answer& answer) {
                         QUrl cover;
                         QString why;
                         if (!answer.error.isEmpty())
                             return reply(answer.error, {});
                         if (answer.status == 404)
                             return reply({}, {});
                         if (!MusicBrainzJson::ReadCoverListing(answer.body, original, cover, why))
                             return reply(Unreadable(listing, why), {});
                         if (cover.isEmpty())
                             return reply({}, {});
                         // The listing names its images with http: addresses;
                         // an archive reached over HTTPS is asked over HTTPS.
                         if (secure && cover.scheme() == QLatin1String("http"))
                             cover.setScheme(QStringLiteral("https"));
                         Enqueue(m_coverArt, {cover, [cover, reply](const Answer& image) {
                                                  if (!image.error.isEmpty())
                                                      reply(image.error, {});
                                                  else if (image.body.isEmpty())
                                                      reply(Unreadable(cover, QStringLiteral("the image is empty")), {});
                                                  else
                                                      reply({}, image.body);
                                              }});
                     }};
    request.notFoundIsAnswer = true;
    Enqueue(m_coverArt, std::move(request));
}

void MusicBrainzClient::CancelAll()
{
    for (Lane* lane : {&m_webService, &m_coverArt}) {
        lane->waiting.clear();
        lane->current.reset();
        lane->pacer->stop();
        lane->timeout->stop();
        if (lane->running) {
            disconnect(lane->running.get(), nullptr, this, nullptr);
            lane->running->abort();
            lane->running.reset();
        }
    }
}

bool MusicBrainzClient::Busy() const
{
    return m_webService.current || !m_webService.waiting.empty() || m_coverArt.current || !m_coverArt.waiting.empty();
}

void MusicBrainzClient::Enqueue(Lane& lane, Request request)
{
    const QUrl& url = request.url;
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        // The answer comes later, as every answer does.
        QTimer::singleShot(0, this, [url, done = std::move(request.done)] {
            done({QStringLiteral("The server address %1 is not valid: it must be an http or https address.")
                      .arg(url.toDisplayString()),
                  0, {}});
        });
        return;
    }
    lane.waiting.push_back(std::move(request));
    Pump(lane);
}

void MusicBrainzClient::Pump(Lane& lane)
{
    if (lane.current || lane.waiting.empty() || lane.pacer->isActive())
        return;
    if (lane.lastStart) {
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()
                                                                                  - *lane.lastStart);
        if (since < lane.interval) {
            lane.pacer->start(lane.interval - since);
            return;
        }
    }
    Start(lane);
}

void MusicBrainzClient::Start(Lane& lane)
{
    lane.current = std::move(lane.waiting.front());
    lane.waiting.pop_front();
    QNetworkRequest request(lane.current->url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setRawHeader("Accept", "application/json, image/*;q=0.9");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    lane.timedOut = false;
    lane.lastStart = std::chrono::steady_clock::now();
    lane.running.reset(m_network->get(request));
    QNetworkReply* reply = lane.running.get();
    connect(reply, &QNetworkReply::finished, this, [this, &lane] { Finished(lane); });
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > kMaxBody)
            reply->abort();
    });
    lane.timeout->start(m_settings.timeout);
}

void MusicBrainzClient::Finished(Lane& lane)
{
    lane.timeout->stop();
    const std::unique_ptr<QNetworkReply, DeleteLater> reply = std::move(lane.running);
    if (!reply || !lane.current)
        return;
    const Request request = std::move(*lane.current);
    lane.current.reset();
    Answer answer = AnswerOf(lane, *reply);
    if (answer.status == 404 && answer.error.isEmpty() && !request.notFoundIsAnswer)
        answer.error = QStringLiteral("%1 does not know what was asked for (HTTP 404).").arg(ServerName(request.url));
    request.done(answer);
    Pump(lane);
}

MusicBrainzClient::Answer MusicBrainzClient::AnswerOf(Lane& lane, QNetworkReply& reply) const
{
    Answer answer;
    const QUrl& asked = lane.current->url;
    const QString server = ServerName(asked);
    answer.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (lane.timedOut) {
        answer.error = QStringLiteral("%1 did not answer within %2 seconds.")
                           .arg(server)
                           .arg(static_cast<double>(m_settings.timeout.count()) / 1000.0);
    } else if (reply.error() == QNetworkReply::InsecureRedirectError) {
        answer.error = QStringLiteral("%1 sent the request on to an address without HTTPS, which was not followed.")
                           .arg(server);
    } else if (answer.status == 0) {
        answer.error = QStringLiteral("%1 could not be reached: %2.").arg(server, reply.errorString());
    } else if (answer.status == 503) {
        answer.error = QStringLiteral("%1 is busy and refused the request (HTTP 503). Try again in a moment.")
                           .arg(server);
    } else if (answer.status == 404) {
        // The caller decides whether that is an error.
    } else if (answer.status < 200 || answer.status >= 300) {
        answer.error = QStringLiteral("%1 refused the request (HTTP %2 %3).")
                           .arg(server)
                           .arg(answer.status)
                           .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    } else if (reply.error() != QNetworkReply::NoError) {
        answer.error = QStringLiteral("The answer of %1 could not be received: %2.").arg(server, reply.errorString());
    } else {
        answer.body = reply.readAll();
    }
    return answer;
}
