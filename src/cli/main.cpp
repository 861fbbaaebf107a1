#include "cli/CliCommon.h"

#include <QCoreApplication>
#include <QStringList>

#include <map>

namespace {

const char* const kUsage =
    "Aufruf: kelvo-cli BEFEHL [OPTIONEN]\n"
    "\n"
    "  import [--db DATEI] [--map-country LI=FL ...] [--skip-invalid] DATEI...\n"
    "      GeoNames-Postleitzahldateien an die Tabelle GEO anhängen\n"
    "  search [--db DATEI] TEXT\n"
    "      Zeilen suchen, die TEXT in einem der zehn Textfelder enthalten\n";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const std::map<QString, int (*)(QStringList)> commands{
        {QStringLiteral("import"), RunImport},
        {QStringLiteral("search"), RunSearch},
    };
    if (args.isEmpty() || !commands.count(args.first())) {
        Cli::Err(QString::fromUtf8(kUsage));
        return 2;
    }
    const QString command = args.takeFirst();
    return commands.at(command)(args);
}
