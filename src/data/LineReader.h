#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// Splits a byte stream into lines, reading in large blocks until the stream ends (a pipe may
// deliver nothing for a while; only a read of 0 bytes ends it). Lines end with LF or CR LF;
// the last line may lack its end. Memory stays bounded: a line longer than kMaxLineBytes is
// passed over and reported as too long.
class CLineReader {
public:
    // Reads up to `max` bytes into `data`: the number read, 0 at the end, -1 on an error.
    using ReadFunction = std::function<qint64(char* data, qint64 max)>;

    enum Status { Line, TooLong, End, Failed };

    static constexpr qsizetype kMaxLineBytes = 1 << 20;

    explicit CLineReader(ReadFunction read);

    // The next line without its end, valid until the next call.
    Status Next(QByteArrayView* line);
    // Number of the line Next returned last, counting from 1.
    qint64 LineNumber() const { return m_nLine; }

private:
    bool Fill();
    // The line from m_begin to `end`; reading goes on at `next`.
    Status Take(qsizetype end, qsizetype next, bool skipping, QByteArrayView* line);

    ReadFunction m_read;
    QByteArray m_buffer;
    qsizetype m_begin = 0; // first byte not yet returned
    qsizetype m_end = 0;   // end of the bytes read
    bool m_bEnd = false;
    bool m_bFailed = false;
    qint64 m_nLine = 0;
};
