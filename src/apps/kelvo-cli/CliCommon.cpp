#include "apps/kelvo-cli/CliCommon.h"

#include "store/DbLocation.h"
#include "store/GeoDatabase.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>

namespace Cli {

void Out(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void Err(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString TakeOption(QStringList& args, const QString& name, const QString& fallback,
                   QString* error) {
    const QStringList values = TakeOptions(args, name, error);
    return values.isEmpty() ? fallback : values.last();
}

QStringList TakeOptions(QStringList& args, const QString& name, QString* error) {
    QStringList values;
    for (int i = 0; i < args.size();) {
        if (args.at(i) == name) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("Option %1 braucht einen Wert.").arg(name);
                args.removeAt(i);
                continue;
            }
            values << args.at(i + 1);
            args.remove(i, 2);
        } else if (args.at(i).startsWith(name + QLatin1Char('='))) {
            values << args.at(i).mid(name.size() + 1);
            args.removeAt(i);
        } else {
            ++i;
        }
    }
    return values;
}

bool TakeSwitch(QStringList& args, const QString& name) {
    return args.removeAll(name) > 0;
}

std::unique_ptr<QPdfWriter> MakePdfWriter(const QString& path) {
    auto writer = std::make_unique<QPdfWriter>(path);
    writer->setResolution(600);
    writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
    writer->setCreator(QStringLiteral("Kelvo"));
    return writer;
}

bool OpenDatabase(CGeoDatabase& db, const QString& path, bool create) {
    if (!create && !CDbLocation::IsServerText(path) && !QFileInfo::exists(path)) {
        Err(QStringLiteral("Die Datenbank \"%1\" gibt es nicht.\n").arg(path));
        return false;
    }
    // Another program holding the file: say why nothing happens for a few seconds. (A server
    // keeps each user's rows apart; its waits are short, or end with a message.)
    const bool server = CDbLocation::IsServerText(path);
    db.SetWaitHook([server](bool waiting) {
        if (waiting && !server)
            Err(QStringLiteral("Die Datenbank wird gerade von einem anderen Programm benutzt; "
                               "kelvo-cli wartet bis zu %1 Sekunden …\n")
                    .arg(CGeoDatabase::kBusyTimeoutMs / 1000));
    });
    if (!db.Open(path)) {
        Err(db.OpenError() + QLatin1Char('\n'));
        return false;
    }
    return true;
}

} // namespace Cli
