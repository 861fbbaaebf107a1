// Archives the importer cannot read say why in German: encrypted, a wrong checksum, a member
// unpacking to more than the cap.
#include "common/TestSupport.h"
#include "data/ImportInput.h"

#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

namespace {

// A zip of one member written with libarchive options ("zip:compression=store", ...).
QString writeZip(const QString& path, const QByteArray& bytes, const char* options,
                 const char* passphrase = nullptr) {
    archive* zip = archive_write_new();
    archive_write_set_format_zip(zip);
    bool ok = archive_write_set_options(zip, options) == ARCHIVE_OK;
    if (passphrase)
        ok = ok && archive_write_set_passphrase(zip, passphrase) == ARCHIVE_OK;
    ok = ok && archive_write_open_filename(zip, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, "DE.txt");
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, bytes.size());
    ok = ok && archive_write_header(zip, entry) == ARCHIVE_OK &&
         archive_write_data(zip, bytes.constData(), size_t(bytes.size())) == bytes.size();
    archive_entry_free(entry);
    ok = archive_write_close(zip) == ARCHIVE_OK && ok;
    archive_write_free(zip);
    return ok ? path : QString();
}

// Reads every part to its end; the error text, empty when all was read.
QString readAll(const QString& path, qint64 maxMember = CImportInput::kDefaultMaxMemberBytes) {
    CImportInput input;
    input.SetMaxMemberBytes(maxMember);
    if (!input.Open(path))
        return input.Error();
    char buffer[4096];
    while (input.NextPart()) {
        while (input.Read(buffer, sizeof buffer) > 0) {
        }
    }
    return input.Error();
}

const QByteArray kRows =
    TestSupport::GeoNamesLine("DE", "10115", "Berlin", "Berlin", "", "", "52.5", "13.4")
        .repeated(100);

} // namespace

TEST(ArchiveErrors, EachFailureHasItsGermanReason) {
    QTemporaryDir dir;
    const QString encrypted =
        writeZip(dir.filePath("geheim.zip"), kRows, "zip:encryption=zipcrypt", "geheim");
    ASSERT_FALSE(encrypted.isEmpty());
    EXPECT_EQ(readAll(encrypted),
              "geheim.zip: Das ZIP-Archiv ist verschlüsselt; Kelvo liest nur Archive ohne "
              "Kennwort.");

    // One byte of the stored rows changed: the checksum no longer matches.
    const QString stored = writeZip(dir.filePath("DE.zip"), kRows, "zip:compression=store");
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(readAll(stored), "");
    QByteArray bytes = TestSupport::ReadFile(stored);
    const qsizetype at = bytes.indexOf("Berlin");
    ASSERT_GT(at, 0);
    bytes[at] = 'b';
    TestSupport::WriteFile(stored, bytes);
    EXPECT_EQ(readAll(stored),
              "DE.zip/DE.txt: Das ZIP-Archiv ist beschädigt oder unvollständig (Prüfsumme "
              "falsch).");

    const QString large = writeZip(dir.filePath("gross.zip"), kRows.repeated(300), "");
    EXPECT_EQ(readAll(large, 1 << 20),
              "gross.zip/DE.txt: Die Datei ist entpackt größer als 1 MB und wird nicht gelesen.");
    EXPECT_EQ(readAll(large, 4 << 20), "");
}
