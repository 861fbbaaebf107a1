#pragma once

#include <QByteArray>
#include <QString>

// A server's refusal for want of a right (insufficient_privilege) in words a user
// understands: which right on which table the user lacks, from the statement refused.
namespace PgPermissionText {

// The SQLSTATE of the refusal.
inline constexpr char kState[] = "42501";

// The right the statement needs on its table (SELECT, INSERT, UPDATE, DELETE), empty for a
// statement that names none; the table it works on.
QString NeededRight(const QByteArray& sql, QString* table);

// The German sentence for the refusal of `sql` to `user`, followed by the server's text.
QString Describe(const QByteArray& sql, const QString& user, const QString& serverMessage);

} // namespace PgPermissionText
