#include "store/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace FileIdentity {

QByteArray Of(const QString& path) {
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_dev)) + ':' +
           QByteArray::number(qulonglong(st.st_ino));
}

QString ReplacedText(const QString& fileName, bool deleted, const QString& error) {
    QString text =
        deleted ? QStringLiteral("Die Datenbank \"%1\" wurde gelöscht, während Kelvo lief. Kelvo "
                                 "hat sie neu angelegt; sie enthält noch keine Daten.")
                      .arg(fileName)
                : QStringLiteral("Die Datenbank \"%1\" wurde durch eine andere Datei ersetzt, "
                                 "während Kelvo lief (etwa durch eine Sicherung oder die Kopie "
                                 "eines Kollegen). Kelvo liest von jetzt an die neue Datei.")
                      .arg(fileName);
    if (!error.isEmpty())
        text += QStringLiteral("\n\n") + error;
    return text;
}

QString NotWrittenText(const QString& fileName) {
    return QStringLiteral("Die Datenbank \"%1\" wurde gelöscht oder durch eine andere Datei "
                          "ersetzt, seit Kelvo sie geöffnet hat; es wurde nichts gespeichert.")
        .arg(fileName);
}

} // namespace FileIdentity
