#include "ui/shell/DataDir.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace DataDir {

namespace {
const QString kOption = QStringLiteral("--data-dir");
} // namespace

QString UserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Kelvo");
}

QString Requested(const QStringList& arguments) {
    QString folder;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == kOption) {
            // A following word that is no option is the folder.
            const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].startsWith('-');
            folder = hasValue ? arguments[++i] : UserFolder();
        } else if (arg.startsWith(kOption + QLatin1Char('='))) {
            folder = arg.mid(kOption.size() + 1);
            if (folder.isEmpty())
                folder = UserFolder();
        }
    }
    return folder;
}

bool Enter(const QString& folder, QString* error) {
    const QFileInfo info(folder);
    if (!info.exists() && !QDir().mkpath(folder)) {
        *error = QStringLiteral("Der Datenordner \"%1\" kann nicht angelegt werden.").arg(folder);
        return false;
    }
    if (!QFileInfo(folder).isDir() || !QDir::setCurrent(folder)) {
        *error =
            QStringLiteral("In den Datenordner \"%1\" kann nicht gewechselt werden.").arg(folder);
        return false;
    }
    return true;
}

} // namespace DataDir
