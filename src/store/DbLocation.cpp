#include "store/DbLocation.h"

#include <QRegularExpression>
#include <QUrl>

QString CDbLocation::Masked(const QString& text) {
    QString masked = text;
    const qsizetype scheme = masked.indexOf(QStringLiteral("://"));
    const qsizetype at = masked.lastIndexOf(QLatin1Char('@'));
    if (scheme >= 0 && at > scheme) {
        const qsizetype colon = masked.indexOf(QLatin1Char(':'), scheme + 3);
        if (colon >= 0 && colon < at)
            masked.replace(colon + 1, at - colon - 1, QStringLiteral("***"));
    }
    static const QRegularExpression parameter(QStringLiteral("(password=)[^&\\s]*"),
                                              QRegularExpression::CaseInsensitiveOption);
    masked.replace(parameter, QStringLiteral("\\1***"));
    return masked;
}

bool CDbLocation::IsServerText(const QString& text) {
    return text.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

bool CDbLocation::Parse(const QString& text, CDbLocation* location, QString* error) {
    *location = CDbLocation();
    if (!IsServerText(text)) {
        location->strFile = text;
        return true;
    }
    const QUrl url(text, QUrl::StrictMode);
    // Neither the address nor Qt's description of what is wrong with it (which quotes it)
    // shows a password.
    auto refuse = [&](const QString& why) {
        QString reason = why;
        if (!url.password().isEmpty())
            reason.replace(url.password(), QStringLiteral("***"));
        *error = QStringLiteral("\"%1\" ist keine gültige Serveradresse: %2\nErwartet wird "
                                "postgresql://benutzer@rechner:port/datenbank.")
                     .arg(Masked(text), Masked(reason));
        return false;
    };
    if (!url.isValid())
        return refuse(url.errorString());
    if (!url.password().isEmpty())
        return refuse(QStringLiteral("Ein Kennwort gehört nicht in die Adresse; es wird aus "
                                     "~/.pgpass oder PGPASSWORD gelesen."));
    if (url.host().isEmpty())
        return refuse(QStringLiteral("Der Rechner fehlt."));
    const QString database = url.path().mid(1);
    if (!url.path().startsWith(QLatin1Char('/')) || database.isEmpty() ||
        database.contains(QLatin1Char('/')))
        return refuse(QStringLiteral("Der Name der Datenbank fehlt."));
    if (url.hasQuery() || url.hasFragment())
        return refuse(QStringLiteral("Nach dem Namen der Datenbank darf nichts mehr folgen."));
    const int port = url.port(5432);
    if (port < 1)
        return refuse(QStringLiteral("Der Port ist ungültig."));

    location->bServer = true;
    location->strUser = url.userName();
    location->strHost = url.host();
    location->nPort = port;
    location->strDatabase = database;
    return true;
}

QString CDbLocation::Display() const {
    if (!bServer)
        return strFile;
    const QString host = strHost.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + strHost + QLatin1Char(']')
                             : strHost;
    return (strUser.isEmpty() ? QString() : strUser + QLatin1Char('@')) + host + QLatin1Char(':') +
           QString::number(nPort) + QLatin1Char('/') + strDatabase;
}
