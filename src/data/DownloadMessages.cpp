#include "data/DownloadMessages.h"

#include <QLocale>
#include <QNetworkReply>

#include <cerrno>
#include <cstring>

namespace {

QString megabytes(qint64 bytes) {
    return QLocale(QLocale::German).toString(double(bytes) / (1024 * 1024), 'f', 1) +
           QStringLiteral(" MB");
}

QString networkText(QNetworkReply::NetworkError error, const QString& host) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Der Rechner %1 nimmt keine Verbindung an.").arg(host);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Der Rechner %1 hat die Verbindung vorzeitig beendet.").arg(host);
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Den Rechner %1 gibt es nicht, oder das Netz ist nicht erreichbar.")
            .arg(host);
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer timeout of Qt
        return QStringLiteral("Der Rechner %1 antwortet nicht.").arg(host);
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Der Rechner %1 weist sich nicht mit einem gültigen Zertifikat "
                              "aus; die Verbindung wurde nicht aufgebaut.")
            .arg(host);
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("Das Netz ist nicht erreichbar.");
    default:
        return QString();
    }
}

} // namespace

namespace DownloadMessages {

QString ReplyError(const QString& country, QNetworkReply& reply) {
    const QString url = reply.url().toDisplayString(QUrl::RemoveUserInfo);
    switch (reply.error()) {
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("%1: Der Server leitet %2 immer weiter um (mehr als %3 "
                              "Weiterleitungen); nichts wurde heruntergeladen.")
            .arg(country, url)
            .arg(kMaxRedirects);
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("%1: Der Server leitet %2 von HTTPS auf unverschlüsseltes HTTP um; "
                              "dieser Weiterleitung folgt Kelvo nicht.")
            .arg(country, url);
    default:
        break;
    }
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.toInt();
    if (status.isValid() && code >= 300 && code < 400) {
        QUrl target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (target.isEmpty())
            target = QUrl::fromEncoded(reply.rawHeader("Location"));
        return QStringLiteral("%1: Der Server leitet %2 nach %3 weiter; dieser Weiterleitung "
                              "folgt Kelvo nicht (nur HTTP und HTTPS, nie von HTTPS zu HTTP).")
            .arg(country, url,
                 target.isEmpty()
                     ? QStringLiteral("(ohne Ziel)")
                     : reply.url().resolved(target).toDisplayString(QUrl::RemoveUserInfo));
    }
    if (status.isValid() && code != 200)
        return QStringLiteral("%1: Der Server meldet den HTTP-Fehler %2 (%3) für %4.")
            .arg(country)
            .arg(code)
            .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(), url);
    if (reply.error() == QNetworkReply::NoError)
        return QString();
    const QString text = networkText(reply.error(), reply.url().host());
    return QStringLiteral("%1: Das Herunterladen von %2 ist fehlgeschlagen (%3).")
        .arg(country, url, text.isEmpty() ? reply.errorString() : text.chopped(1));
}

QString Cancelled(const QString& country) {
    return QStringLiteral("%1: Das Herunterladen wurde abgebrochen.").arg(country);
}

QString TooSlow(const QString& country, int seconds, qint64 minBytes) {
    return QStringLiteral("%1: Der Server antwortet zu langsam (weniger als %2 KB in %3); das "
                          "Herunterladen wurde aufgegeben.")
        .arg(country)
        .arg(minBytes / 1024)
        .arg(seconds == 1 ? QStringLiteral("1 Sekunde")
                          : QStringLiteral("%1 Sekunden").arg(seconds));
}

QString TooLarge(const QString& country, qint64 maxBytes) {
    return QStringLiteral("%1: Die Antwort ist größer als %2 und wird nicht verwendet "
                          "(Einstellung Daten/DownloadGrenzeMB).")
        .arg(country, megabytes(maxBytes).replace(QStringLiteral(",0 MB"), QStringLiteral(" MB")));
}

QString NoSpace(const QString& country, const QString& folder, qint64 needed, qint64 free) {
    if (needed <= 0)
        return QStringLiteral("%1: Im Ordner %2 ist kein Platz mehr frei; das Herunterladen "
                              "wurde abgebrochen.")
            .arg(country, folder);
    return QStringLiteral("%1: Im Ordner %2 ist nicht genug Platz frei (%3 nötig, %4 frei); "
                          "nichts wurde heruntergeladen.")
        .arg(country, folder, megabytes(needed), megabytes(free));
}

QString WriteFailed(const QString& country, const QString& file, int error) {
    return QStringLiteral("%1: Die heruntergeladene Datei %2 kann nicht gespeichert werden (%3).")
        .arg(country, file, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace DownloadMessages
