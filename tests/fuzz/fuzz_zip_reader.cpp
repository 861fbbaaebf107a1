// The zip reader: any bytes, read as a file (through the directory at its end) and as a pipe
// (front to back), end without a crash; no read gives more than asked, no member more than
// the cap, and a failure always says what it is.
#include "FuzzCheck.h"
#include "data/ZipReader.h"

#include <QBuffer>

#include <cstdint>

namespace {

constexpr qint64 kCap = 1 << 20;

// A buffer that hides its size and refuses to seek, as a pipe does.
class Pipe : public QBuffer {
public:
    using QBuffer::QBuffer;
    bool isSequential() const override { return true; }
};

void readAll(QIODevice& device) {
    device.open(QIODevice::ReadOnly);
    CZipReader zip(device);
    zip.SetMaxFileBytes(kCap);
    char buffer[8192];
    QString path;
    int files = 0;
    while (zip.NextFile(&path) && ++files < 64) {
        qint64 n, total = 0;
        while ((n = zip.Read(buffer, sizeof buffer)) > 0) {
            FUZZ_CHECK(n <= qint64(sizeof buffer));
            total += n;
            FUZZ_CHECK(total <= kCap);
        }
        if (n < 0)
            break;
    }
    FUZZ_CHECK((zip.Failed() == CZipReader::NoFailure) == zip.Error().isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray copy = bytes;
    QBuffer file(&copy);
    readAll(file);
    QByteArray again = bytes;
    Pipe pipe(&again);
    readAll(pipe);
    return 0;
}
