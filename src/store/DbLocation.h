#pragma once

#include <QString>

// Where table GEO is kept: the SQLite file (the default) or a database on a PostgreSQL
// server, written as postgresql://user@host:port/dbname (or postgres://...). The value of the
// setting "Datenbank/Verbindung" and of kelvo-cli's --db option is one of these.
//
// A password never belongs in the text: libpq reads it from ~/.pgpass (or the file PGPASSFILE
// names) or from PGPASSWORD, so that no setting and no command line ever holds one.
struct CDbLocation {
    bool bServer = false;
    QString strFile; // the SQLite file (no server)
    QString strUser; // empty: the name libpq takes by default (PGUSER, the login name)
    QString strHost;
    int nPort = 5432;
    QString strDatabase;

    // Whether a text names a server rather than a file: it starts with postgresql:// or
    // postgres://.
    static bool IsServerText(const QString& text);

    // Reads a file name or a server address. A server address with a password, without a
    // host or database, with an invalid port or with anything but user, host, port and
    // database is refused: false, and *error says why in German.
    static bool Parse(const QString& text, CDbLocation* location, QString* error);

    // The text with any password in it replaced by "***" (between "user:" and the last "@",
    // and a "password=" parameter), for every message, title and log that shows an address.
    static QString Masked(const QString& text);

    // The server as people write it, "user@host:port/dbname"; the file name for a file.
    QString Display() const;
};
