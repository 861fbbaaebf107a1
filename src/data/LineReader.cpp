#include "data/LineReader.h"

#include <cstring>

namespace {
constexpr qsizetype kBlockBytes = 256 * 1024;
} // namespace

CLineReader::CLineReader(ReadFunction read)
    : m_read(std::move(read)), m_buffer(kMaxLineBytes + kBlockBytes, Qt::Uninitialized) {}

bool CLineReader::Fill() {
    if (m_bEnd || m_bFailed)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_begin, size_t(m_end - m_begin));
        m_end -= m_begin;
        m_begin = 0;
    }
    const qint64 n = m_read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n < 0)
        m_bFailed = true;
    else if (n == 0)
        m_bEnd = true;
    else
        m_end += n;
    return n > 0;
}

CLineReader::Status CLineReader::Take(qsizetype end, qsizetype next, bool skipping,
                                      QByteArrayView* line) {
    QByteArrayView found(m_buffer.constData() + m_begin, end - m_begin);
    m_begin = next;
    ++m_nLine;
    if (skipping || found.size() > kMaxLineBytes)
        return TooLong;
    if (found.endsWith('\r'))
        found.chop(1);
    *line = found;
    return Line;
}

CLineReader::Status CLineReader::Next(QByteArrayView* line) {
    bool skipping = false; // inside a line that is too long
    qsizetype searched = m_begin;
    while (true) {
        const char* data = m_buffer.constData();
        const void* lf = std::memchr(data + searched, '\n', size_t(m_end - searched));
        if (lf) {
            const qsizetype end = static_cast<const char*>(lf) - data;
            return Take(end, end + 1, skipping, line);
        }
        if (m_end - m_begin >= kMaxLineBytes) {
            skipping = true; // drop what there is of it and read on to its end
            m_begin = m_end;
        }
        // Fill moves the unread bytes to the front: what has been searched ends here then.
        searched = m_end - m_begin;
        if (!Fill()) {
            if (m_bFailed)
                return Failed;
            if (m_begin == m_end && !skipping)
                return End;
            return Take(m_end, m_end, skipping, line); // the last line, without its end
        }
    }
}
