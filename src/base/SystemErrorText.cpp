#include "base/SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace SystemErrorText {

namespace {

QString withDetail(const QString& sentence, const QString& systemText) {
    if (sentence.isEmpty())
        return systemText;
    if (systemText.isEmpty())
        return sentence;
    return QStringLiteral("%1 (Meldung des Systems: %2)").arg(sentence, systemText);
}

// The error number access() gives for the mode, or 0.
int accessError(const QString& path, int mode) {
    return ::access(QFile::encodeName(path).constData(), mode) == 0 ? 0 : errno;
}

QString folderSentence(const QString& folder, int error) {
    const QString name = QDir::toNativeSeparators(folder);
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Den Ordner \"%1\" gibt es nicht.").arg(name);
    case EACCES:
    case EPERM:
        return QStringLiteral("Im Ordner \"%1\" dürfen keine Dateien angelegt werden (es fehlt "
                              "das Schreibrecht).")
            .arg(name);
    case EROFS:
        return QStringLiteral("Der Ordner \"%1\" liegt auf einem schreibgeschützten "
                              "Datenträger.")
            .arg(name);
    default:
        return QString();
    }
}

} // namespace

QString Sentence(int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("Die Datei oder der Ordner ist nicht vorhanden.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfads ist kein Ordner.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Der Zugriff ist nicht erlaubt (es fehlt das Recht dazu).");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EISDIR:
        return QStringLiteral("Der Name bezeichnet einen Ordner, keine Datei.");
    default:
        return QString();
    }
}

QString FromErrno(int error) {
    return withDetail(Sentence(error), QString::fromLocal8Bit(std::strerror(error)));
}

QString Reason(const QString& path, Access access) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (info.isDir())
        return Sentence(EISDIR);
    if (!info.exists()) {
        const int folderError = accessError(folder, F_OK);
        if (folderError != 0)
            return folderSentence(folder, folderError);
        if (access == Access::Read)
            return QStringLiteral("Die Datei gibt es nicht.");
        return folderSentence(folder, accessError(folder, W_OK));
    }
    const int error = accessError(path, access == Access::Read ? R_OK : W_OK);
    switch (error) {
    case EACCES:
    case EPERM:
        return access == Access::Read ? QStringLiteral("Für die Datei fehlt das Leserecht.")
                                      : QStringLiteral("Für die Datei fehlt das Schreibrecht.");
    case EROFS:
        return QStringLiteral("Die Datei liegt auf einem schreibgeschützten Datenträger.");
    case 0:
        // A file written anew is written beside the old one first.
        return access == Access::Write ? folderSentence(folder, accessError(folder, W_OK))
                                       : QString();
    default:
        return QString();
    }
}

QString OfFile(const QString& path, Access access, const QString& systemText) {
    return withDetail(Reason(path, access), systemText);
}

} // namespace SystemErrorText
