#include "store/postgres/PgPermissionText.h"

#include <QHash>
#include <QRegularExpression>

namespace PgPermissionText {

QString NeededRight(const QByteArray& sql, QString* table) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(?:(SELECT)\\b.*?\\bFROM|(INSERT)\\s+INTO|(UPDATE)|(DELETE)\\s+FROM|"
                       "(COPY)|(LOCK)(?:\\s+TABLE)?)\\s+(?:ONLY\\s+)?\"?(\\w+)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QString text = QString::fromUtf8(sql);
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return QString();
    *table = m.captured(7);
    if (!m.captured(1).isEmpty()) {
        // Rows read to be changed need the right to change them.
        static const QRegularExpression locking(
            QStringLiteral("\\bFOR\\s+(NO\\s+KEY\\s+)?UPDATE\\b"),
            QRegularExpression::CaseInsensitiveOption);
        return locking.match(text).hasMatch() ? QStringLiteral("UPDATE") : QStringLiteral("SELECT");
    }
    if (!m.captured(2).isEmpty() || !m.captured(5).isEmpty())
        return QStringLiteral("INSERT");
    if (!m.captured(4).isEmpty())
        return QStringLiteral("DELETE");
    if (!m.captured(6).isEmpty()) {
        // Locks that keep writers out take the right to write; reading does for the weakest.
        return text.contains(QStringLiteral("ACCESS SHARE"), Qt::CaseInsensitive)
                   ? QStringLiteral("SELECT")
                   : QStringLiteral("UPDATE");
    }
    return QStringLiteral("UPDATE"); // the statement's verb
}

QString Describe(const QByteArray& sql, const QString& user, const QString& serverMessage) {
    QString table;
    const QString right = NeededRight(sql, &table);
    // The server names the table it refused, which may be another one than the statement's
    // (a trigger's).
    static const QRegularExpression refused(QStringLiteral("for table \"?(\\w+)\"?\\s*$"));
    if (const QRegularExpressionMatch m = refused.match(serverMessage); m.hasMatch())
        table = m.captured(1);
    const QString who = user.isEmpty() ? QStringLiteral("Ihrem Benutzer")
                                       : QStringLiteral("dem Benutzer %1").arg(user);
    if (right.isEmpty() || table.isEmpty())
        return QStringLiteral("Auf dem Datenbankserver fehlt %1 ein Recht, das Kelvo hierfür "
                              "braucht; der Verwalter der Datenbank kann es geben (%2).")
            .arg(who, serverMessage);
    static const QHash<QString, QString> action{
        {QStringLiteral("SELECT"), QStringLiteral("die Zeilen nicht lesen")},
        {QStringLiteral("INSERT"), QStringLiteral("keine Zeilen hinzufügen")},
        {QStringLiteral("UPDATE"), QStringLiteral("keine Zeilen ändern")},
        {QStringLiteral("DELETE"), QStringLiteral("keine Zeilen löschen")}};
    return QStringLiteral("Auf dem Datenbankserver fehlt %1 das Recht %2 auf die Tabelle %3; "
                          "ohne es kann Kelvo dort %4. Der Verwalter der Datenbank kann es "
                          "geben (%5).")
        .arg(who, right, table.toUpper(), action.value(right), serverMessage);
}

} // namespace PgPermissionText
