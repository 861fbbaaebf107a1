#include "store/sqlite/DbErrorText.h"

#include "base/SystemErrorText.h"

#include <sqlite3.h>

namespace DbErrorText {

namespace {

QString sentence(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral(
            "Die Datenbank wird gerade von einem anderen Programm benutzt, das in "
            "sie schreibt; bis es fertig ist, ist sie gesperrt.");
    case SQLITE_READONLY:
        return QStringLiteral("Die Datenbank ist schreibgeschützt; Kelvo kann nichts in ihr "
                              "speichern.");
    case SQLITE_FULL:
        return QStringLiteral("Der Datenträger ist voll.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("Die Datenbankdatei ist beschädigt.");
    case SQLITE_IOERR:
        return QStringLiteral("Die Datenbankdatei kann nicht gelesen oder geschrieben werden "
                              "(Ein-/Ausgabefehler).");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Die Datenbankdatei kann nicht geöffnet werden.");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Der Zugriff auf die Datenbankdatei ist nicht erlaubt.");
    case SQLITE_NOMEM:
        return QStringLiteral("Der Arbeitsspeicher reicht nicht aus.");
    default:
        return QString();
    }
}

} // namespace

bool IsBusy(int code) {
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

bool IsDamaged(int code) {
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

QString Describe(int code, const QString& engineMessage, const QString& path) {
    QString text = sentence(code);
    if (text.isEmpty())
        return engineMessage;
    const int primary = code & 0xff;
    if (!path.isEmpty() && (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN ||
                            primary == SQLITE_PERM || primary == SQLITE_IOERR)) {
        const QString reason = SystemErrorText::Reason(path, SystemErrorText::Access::Write);
        // Writing needs a file beside the database for a moment (the journal).
        if (!reason.isEmpty() && primary == SQLITE_CANTOPEN)
            text = QStringLiteral("Kelvo kann nicht in die Datenbank schreiben, denn es braucht "
                                  "dafür kurz eine Datei neben ihr. %1")
                       .arg(reason);
        else if (!reason.isEmpty())
            text += QLatin1Char(' ') + reason;
    }
    return QStringLiteral("%1 (Meldung der Datenbank: %2)").arg(text, engineMessage);
}

QString Damaged(const QString& details) {
    return QStringLiteral("Die Datenbankdatei ist beschädigt; Kelvo schreibt nichts hinein, damit "
                          "nichts weiter verloren geht. Bitte stellen Sie eine Sicherung der "
                          "Datei wieder her. (Prüfung der Datenbank: %1)")
        .arg(details);
}

} // namespace DbErrorText
