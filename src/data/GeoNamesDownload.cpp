#include "data/GeoNamesDownload.h"

#include "data/ArchiveCheck.h"
#include "data/DownloadMessages.h"
#include "store/LeftoverFiles.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QStorageInfo>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

// What the network layer holds of an answer before it stops reading from the socket, and the
// piece taken from it at a time: together the memory a download needs, whatever it brings.
constexpr qint64 kReadBufferBytes = 1 << 20;
constexpr qsizetype kPieceBytes = 256 * 1024;

qint64 megabytesSetting(QSettings& settings, const char* key, qint64 fallback) {
    bool ok = false;
    const qint64 mb = settings.value(QLatin1String(key)).toLongLong(&ok);
    return ok && mb > 0 ? mb << 20 : fallback;
}

// Writes all bytes; false with errno set when the file takes no more.
bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

QString CGeoNamesDownload::DefaultBaseUrl() {
    return QStringLiteral("https://download.geonames.org/export/zip/");
}

QString CGeoNamesDownload::BaseUrlSetting() {
    const QString url = QSettings().value(QStringLiteral("Daten/GeoNamesUrl")).toString();
    return url.trimmed().isEmpty() ? DefaultBaseUrl() : url.trimmed();
}

CGeoNamesDownload::Limits CGeoNamesDownload::LimitsSetting() {
    QSettings settings;
    Limits limits;
    limits.maxAnswerBytes =
        megabytesSetting(settings, "Daten/DownloadGrenzeMB", limits.maxAnswerBytes);
    limits.maxMemberBytes =
        megabytesSetting(settings, "Daten/EntpacktGrenzeMB", limits.maxMemberBytes);
    return limits;
}

QList<QPair<QString, QString>> CGeoNamesDownload::Countries() {
    return {{"DE", "Deutschland"}, {"AT", "Österreich"},    {"CH", "Schweiz"},
            {"BE", "Belgien"},     {"LI", "Liechtenstein"}, {"LU", "Luxemburg"},
            {"NL", "Niederlande"}, {"FR", "Frankreich"},    {"IT", "Italien"},
            {"DK", "Dänemark"},    {"PL", "Polen"},         {"CZ", "Tschechien"}};
}

CGeoNamesDownload::CGeoNamesDownload(const QString& baseUrl, const QString& folder, QObject* parent)
    : QObject(parent), m_pNetwork(new QNetworkAccessManager(this)), m_strBase(baseUrl),
      m_strFolder(folder), m_buffer(kPieceBytes, Qt::Uninitialized) {
    if (!m_strBase.endsWith(QLatin1Char('/')))
        m_strBase += QLatin1Char('/');
    connect(&m_watch, &QTimer::timeout, this, &CGeoNamesDownload::OnWatch);
}

CGeoNamesDownload::~CGeoNamesDownload() {
    m_queue.clear();
    if (m_pReply) {
        m_pReply->disconnect(this);
        m_pReply->abort();
        m_pReply->deleteLater();
    }
    if (m_pCheck) {
        m_bCheckCancel = true;
        m_pCheck->disconnect(this);
        m_pCheck->wait();
        delete m_pCheck;
    }
    if (m_nFile >= 0) {
        ::close(m_nFile);
        QFile::remove(m_strFile);
    }
    for (const QString& path : std::as_const(m_watched))
        LeftoverFiles::Unwatch(path);
}

void CGeoNamesDownload::Start(const QStringList& countries) {
    m_queue.clear();
    for (const QString& country : countries) {
        if (!m_queue.contains(country))
            m_queue << country;
    }
    m_outcomes.clear();
    m_bCancelled = false;
    Next();
}

void CGeoNamesDownload::Cancel() {
    m_bCancelled = true;
    m_bCheckCancel = true;
    if (m_pReply)
        Abort(Cancelled);
}

void CGeoNamesDownload::Abort(Stop why) {
    if (m_eStop == NotStopped)
        m_eStop = why;
    if (m_pReply)
        m_pReply->abort(); // finishes it
}

void CGeoNamesDownload::Next() {
    if (m_queue.isEmpty() || m_bCancelled) {
        for (const QString& country : std::as_const(m_queue))
            m_outcomes.append({country, QString(), DownloadMessages::Cancelled(country)});
        m_queue.clear();
        emit finished();
        return;
    }
    m_strCountry = m_queue.takeFirst();
    m_nReceived = m_nArrived = m_nArrivedAtTick = m_nNeeded = 0;
    m_nWriteErrno = 0;
    m_eStop = NotStopped;
    m_strFile = QDir(m_strFolder).filePath(m_strCountry + QStringLiteral(".zip"));
    // Watched before it is made: a signal in between would leave it behind.
    if (!m_watched.contains(m_strFile)) {
        LeftoverFiles::Watch(m_strFile);
        m_watched << m_strFile;
    }
    m_nFile = ::open(QFile::encodeName(m_strFile).constData(),
                     O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_nFile < 0) {
        m_pReply = nullptr;
        Done(QStringLiteral("%1: Die Datei %2 kann nicht angelegt werden (%3).")
                 .arg(m_strCountry, m_strFile, QString::fromLocal8Bit(strerror(errno))));
        return;
    }
    QNetworkRequest request(QUrl(m_strBase + m_strCountry + QStringLiteral(".zip")));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(DownloadMessages::kMaxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Kelvo/1.1"));
    m_pReply = m_pNetwork->get(request);
    m_pReply->setReadBufferSize(kReadBufferBytes);
    connect(m_pReply, &QNetworkReply::metaDataChanged, this, &CGeoNamesDownload::OnMetaData);
    connect(m_pReply, &QNetworkReply::readyRead, this, &CGeoNamesDownload::OnReadyRead);
    connect(m_pReply, &QNetworkReply::finished, this, &CGeoNamesDownload::OnFinished);
    connect(
        m_pReply, &QNetworkReply::downloadProgress, this,
        [this](qint64 received, qint64 total) { emit progress(m_strCountry, received, total); });
    m_watch.start(m_limits.slowWindowMs);
}

void CGeoNamesDownload::OnMetaData() {
    if (m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    // A stated length beyond the cap or the free space is refused before anything comes.
    const QVariant length = m_pReply->header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid())
        return;
    if (length.toLongLong() > m_limits.maxAnswerBytes) {
        Abort(TooLarge);
        return;
    }
    const QStorageInfo storage(m_strFolder);
    if (storage.isValid() && length.toLongLong() > storage.bytesAvailable()) {
        m_nNeeded = length.toLongLong();
        Abort(NoSpace);
    }
}

void CGeoNamesDownload::OnReadyRead() {
    // Only a successful answer is kept; an error page is not an archive.
    const bool keep = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    qint64 n;
    while (m_eStop == NotStopped && (n = m_pReply->read(m_buffer.data(), m_buffer.size())) > 0) {
        m_nArrived += n;
        if (!keep)
            continue;
        m_nReceived += n;
        if (m_nReceived > m_limits.maxAnswerBytes) {
            Abort(TooLarge);
            return;
        }
        if (!writeAll(m_nFile, m_buffer.constData(), n)) {
            m_nWriteErrno = errno;
            Abort(errno == ENOSPC || errno == EDQUOT ? NoSpace : WriteFailed);
            return;
        }
    }
}

void CGeoNamesDownload::OnWatch() {
    if (!m_pReply)
        return;
    if (m_nArrived - m_nArrivedAtTick < m_limits.minBytes)
        Abort(TooSlow);
    m_nArrivedAtTick = m_nArrived;
}

QString CGeoNamesDownload::Check(QNetworkReply* reply) {
    const QString& c = m_strCountry;
    if (m_bCancelled)
        return DownloadMessages::Cancelled(c);
    switch (m_eStop) {
    case TooLarge:
        return DownloadMessages::TooLarge(c, m_limits.maxAnswerBytes);
    case NoSpace: {
        const QStorageInfo storage(m_strFolder);
        return DownloadMessages::NoSpace(c, m_strFolder, m_nNeeded,
                                         storage.isValid() ? storage.bytesAvailable() : 0);
    }
    case WriteFailed:
        return DownloadMessages::WriteFailed(c, m_strFile, m_nWriteErrno);
    case TooSlow:
        return DownloadMessages::TooSlow(c, m_limits.slowWindowMs / 1000, m_limits.minBytes);
    default:
        break;
    }
    const QString error = DownloadMessages::ReplyError(c, *reply);
    if (!error.isEmpty())
        return error;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() != m_nReceived)
        return QStringLiteral("%1: Die Antwort ist unvollständig (%2 von %3 Bytes).")
            .arg(c)
            .arg(m_nReceived)
            .arg(length.toLongLong());
    QFile answer(m_strFile);
    if (!answer.open(QIODevice::ReadOnly) || !answer.peek(2).startsWith("PK"))
        return QStringLiteral("%1: Die Antwort von %2 ist keine ZIP-Datei.")
            .arg(c, reply->url().toDisplayString(QUrl::RemoveUserInfo));
    return QString();
}

void CGeoNamesDownload::OnFinished() {
    m_watch.stop();
    QNetworkReply* reply = m_pReply;
    m_pReply = nullptr;
    if (::close(std::exchange(m_nFile, -1)) != 0 && m_eStop == NotStopped) {
        m_nWriteErrno = errno;
        m_eStop = errno == ENOSPC || errno == EDQUOT ? NoSpace : WriteFailed;
    }
    const QString error = Check(reply);
    reply->deleteLater();
    if (!error.isEmpty()) {
        Done(error);
        return;
    }
    StartArchiveCheck();
}

// The archive is read through on a thread of its own, so that a window stays responsive and
// Cancel stops it.
void CGeoNamesDownload::StartArchiveCheck() {
    emit checking(m_strCountry);
    m_bCheckCancel = m_bCancelled;
    m_strCheckResult.clear();
    const QString path = m_strFile, country = m_strCountry;
    const qint64 maxMember = m_limits.maxMemberBytes;
    m_pCheck = QThread::create([this, path, country, maxMember] {
        m_strCheckResult = ArchiveCheck::Check(path, country, maxMember, &m_bCheckCancel);
    });
    connect(m_pCheck, &QThread::finished, this, [this] {
        m_pCheck->deleteLater();
        m_pCheck = nullptr;
        if (m_bCancelled)
            Done(DownloadMessages::Cancelled(m_strCountry));
        else
            Done(m_strCheckResult.isEmpty()
                     ? QString()
                     : m_strCountry + QStringLiteral(": ") + m_strCheckResult);
    });
    m_pCheck->start();
}

void CGeoNamesDownload::Done(const QString& error) {
    if (!error.isEmpty())
        QFile::remove(m_strFile);
    const Outcome outcome{m_strCountry, error.isEmpty() ? m_strFile : QString(), error};
    m_outcomes.append(outcome);
    emit countryDone(outcome);
    Next();
}

QList<CGeoNamesDownload::Outcome> CGeoNamesDownload::Run(const QStringList& countries) {
    QEventLoop loop;
    connect(this, &CGeoNamesDownload::finished, &loop, &QEventLoop::quit);
    Start(countries);
    if (IsRunning() || !m_queue.isEmpty())
        loop.exec();
    return m_outcomes;
}
