#include "data/GeoNamesDownload.h"

#include "data/ImportInput.h"

#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>

namespace {

// A server that sends nothing for this long is given up.
constexpr int kTransferTimeoutMs = 60000;

// Reads an archive through to its end: every checksum is checked, and it must hold at least
// one postal-code file. An empty text when it is sound, otherwise the reason.
QString checkArchive(const QString& path) {
    CImportInput input;
    if (!input.Open(path))
        return input.Error();
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    while (input.NextPart()) {
        qint64 n;
        while ((n = input.Read(buffer.data(), buffer.size())) > 0) {
        }
        if (n < 0)
            break;
    }
    return input.Error();
}

} // namespace

QString CGeoNamesDownload::DefaultBaseUrl() {
    return QStringLiteral("https://download.geonames.org/export/zip/");
}

QString CGeoNamesDownload::BaseUrlSetting() {
    const QString url = QSettings().value(QStringLiteral("Daten/GeoNamesUrl")).toString();
    return url.trimmed().isEmpty() ? DefaultBaseUrl() : url.trimmed();
}

QList<QPair<QString, QString>> CGeoNamesDownload::Countries() {
    return {{"DE", "Deutschland"}, {"AT", "Österreich"},    {"CH", "Schweiz"},
            {"BE", "Belgien"},     {"LI", "Liechtenstein"}, {"LU", "Luxemburg"},
            {"NL", "Niederlande"}, {"FR", "Frankreich"},    {"IT", "Italien"},
            {"DK", "Dänemark"},    {"PL", "Polen"},         {"CZ", "Tschechien"}};
}

CGeoNamesDownload::CGeoNamesDownload(const QString& baseUrl, const QString& folder, QObject* parent)
    : QObject(parent), m_pNetwork(new QNetworkAccessManager(this)), m_strBase(baseUrl),
      m_strFolder(folder) {
    if (!m_strBase.endsWith(QLatin1Char('/')))
        m_strBase += QLatin1Char('/');
}

CGeoNamesDownload::~CGeoNamesDownload() {
    m_queue.clear();
    if (m_pReply) {
        m_pReply->disconnect(this);
        m_pReply->abort();
        m_pReply->deleteLater();
    }
}

void CGeoNamesDownload::Start(const QStringList& countries) {
    m_queue = countries;
    m_outcomes.clear();
    m_bCancelled = false;
    Next();
}

void CGeoNamesDownload::Cancel() {
    m_bCancelled = true;
    if (m_pReply)
        m_pReply->abort(); // finishes it with OperationCanceledError
}

void CGeoNamesDownload::Next() {
    if (m_queue.isEmpty() || m_bCancelled) {
        for (const QString& country : std::as_const(m_queue))
            m_outcomes.append(
                {country, QString(),
                 QStringLiteral("%1: Das Herunterladen wurde abgebrochen.").arg(country)});
        m_queue.clear();
        emit finished();
        return;
    }
    m_strCountry = m_queue.takeFirst();
    m_nReceived = 0;
    m_bTooLarge = false;
    m_strWriteError.clear();
    m_file.setFileName(QDir(m_strFolder).filePath(m_strCountry + QStringLiteral(".zip")));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_pReply = nullptr;
        Done(QStringLiteral("%1: Die Datei %2 kann nicht angelegt werden (%3).")
                 .arg(m_strCountry, m_file.fileName(), m_file.errorString()));
        return;
    }
    QNetworkRequest request(QUrl(m_strBase + m_strCountry + QStringLiteral(".zip")));
    request.setTransferTimeout(kTransferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Kelvo/1.1"));
    m_pReply = m_pNetwork->get(request);
    connect(m_pReply, &QNetworkReply::readyRead, this, &CGeoNamesDownload::OnReadyRead);
    connect(m_pReply, &QNetworkReply::finished, this, &CGeoNamesDownload::OnFinished);
    connect(
        m_pReply, &QNetworkReply::downloadProgress, this,
        [this](qint64 received, qint64 total) { emit progress(m_strCountry, received, total); });
}

void CGeoNamesDownload::OnReadyRead() {
    const QByteArray bytes = m_pReply->readAll();
    // Only a successful answer is kept; an error page is not an archive.
    const int status = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200 || m_bTooLarge || !m_strWriteError.isEmpty())
        return;
    m_nReceived += bytes.size();
    if (m_nReceived > kMaxBytes) {
        m_bTooLarge = true;
        m_pReply->abort();
        return;
    }
    if (m_file.write(bytes) != bytes.size()) {
        m_strWriteError = m_file.errorString();
        m_pReply->abort();
    }
}

QString CGeoNamesDownload::Check(QNetworkReply* reply) {
    const QString& c = m_strCountry;
    if (m_bCancelled)
        return QStringLiteral("%1: Das Herunterladen wurde abgebrochen.").arg(c);
    if (m_bTooLarge)
        return QStringLiteral("%1: Die Antwort ist größer als 1 GiB und wird nicht verwendet.")
            .arg(c);
    if (!m_strWriteError.isEmpty())
        return QStringLiteral("%1: Die heruntergeladene Datei kann nicht gespeichert werden (%2).")
            .arg(c, m_strWriteError);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() != 200)
        return QStringLiteral("%1: Der Server meldet den HTTP-Fehler %2 (%3) für %4.")
            .arg(c)
            .arg(status.toInt())
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                 reply->url().toString());
    if (reply->error() != QNetworkReply::NoError)
        return QStringLiteral("%1: Das Herunterladen von %2 ist fehlgeschlagen (%3).")
            .arg(c, reply->url().toString(), reply->errorString());
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() != m_nReceived)
        return QStringLiteral("%1: Die Antwort ist unvollständig (%2 von %3 Bytes).")
            .arg(c)
            .arg(m_nReceived)
            .arg(length.toLongLong());
    QFile answer(m_file.fileName());
    if (!answer.open(QIODevice::ReadOnly) || !answer.peek(2).startsWith("PK"))
        return QStringLiteral("%1: Die Antwort von %2 ist keine ZIP-Datei.")
            .arg(c, reply->url().toString());
    const QString damaged = checkArchive(m_file.fileName());
    return damaged.isEmpty() ? QString() : c + QStringLiteral(": ") + damaged;
}

void CGeoNamesDownload::OnFinished() {
    QNetworkReply* reply = m_pReply;
    m_pReply = nullptr;
    m_file.close();
    const QString error = Check(reply);
    reply->deleteLater();
    Done(error);
}

void CGeoNamesDownload::Done(const QString& error) {
    if (!error.isEmpty())
        m_file.remove();
    const Outcome outcome{m_strCountry, error.isEmpty() ? m_file.fileName() : QString(), error};
    m_outcomes.append(outcome);
    emit countryDone(outcome);
    Next();
}

QList<CGeoNamesDownload::Outcome> CGeoNamesDownload::Run(const QStringList& countries) {
    QEventLoop loop;
    connect(this, &CGeoNamesDownload::finished, &loop, &QEventLoop::quit);
    Start(countries);
    if (m_pReply || !m_queue.isEmpty())
        loop.exec();
    return m_outcomes;
}
