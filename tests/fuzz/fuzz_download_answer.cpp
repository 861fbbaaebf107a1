// The check of a downloaded answer before it is imported: any bytes as the body of an answer
// for DE end without a crash, and an answer the check takes holds rows of DE and nothing else,
// as the importer will read them.
#include "FuzzCheck.h"
#include "data/ArchiveCheck.h"
#include "data/ImportInput.h"
#include "data/LineReader.h"

#include <QString>

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The answer as a file that lives in memory only.
    const int fd = memfd_create("answer.zip", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size > 0 && ::write(fd, data, size) != ssize_t(size)) {
        ::close(fd);
        return 0;
    }
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    const QString error = ArchiveCheck::Check(path, QStringLiteral("DE"), 1 << 20);
    if (error.isEmpty()) {
        CImportInput input;
        FUZZ_CHECK(input.Open(path));
        int parts = 0;
        while (input.NextPart()) {
            ++parts;
            CLineReader reader(
                [&input](char* buffer, qint64 max) { return input.Read(buffer, max); });
            QByteArrayView line;
            CLineReader::Status status;
            while ((status = reader.Next(&line)) != CLineReader::End) {
                FUZZ_CHECK(status != CLineReader::Failed);
                if (status == CLineReader::Line && !line.isEmpty())
                    FUZZ_CHECK(line.startsWith("DE\t") || line == "DE");
            }
        }
        FUZZ_CHECK(input.Error().isEmpty() && parts > 0);
    }
    ::close(fd);
    return 0;
}
