// The zip reader: any bytes, read as a file (through the directory at its end) and as a pipe
// (front to back), end without a crash; no read gives more than asked, no member more than
// the cap, and a failure always says what it is.
#include "FuzzCheck.h"
#include "data/ZipReader.h"

#include <QBuffer>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr qint64 kCap = 1 << 20;

// Bytes that come once, front to back, with no size and no seeking, as from a pipe. (A
// QBuffer that only claims to be sequential gives its bytes again and again: it reads at
// pos(), which a sequential device keeps at 0.)
class Pipe : public QIODevice {
public:
    explicit Pipe(const QByteArray& bytes) : m_bytes(bytes) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return m_bytes.size() - m_at + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = std::min(max, qint64(m_bytes.size()) - m_at);
        memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_at = 0;
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
    Pipe pipe(bytes);
    readAll(pipe);
    return 0;
}
