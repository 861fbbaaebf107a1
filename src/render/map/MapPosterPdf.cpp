#include "render/map/MapPosterPdf.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapPoster.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <QTransform>

#include <malloc.h>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <charconv>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kDotsPerInch = 600;
// Qt's engine fills a run of cells in paths of this many rectangles; the markers are written
// the same way, so that a viewer smoothing the edges draws them as before.
constexpr int kRectsPerPath = 256;
// The markers are written, and put into the PDF, in pieces of about this many bytes.
constexpr qsizetype kBufferBytes = 1 << 18;

QString cannotWrite(const QString& path) {
    return QStringLiteral("Die PDF-Datei \"%1\" kann nicht geschrieben werden.").arg(path);
}

void append(std::string& out, double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
    out += ' ';
}

void append(std::string& out, int v) {
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
    out += ' ';
}

// The markers as page content, in a file of their own, in pieces of whole lines. Qt's page
// is ended where they begin and where they end, so the PDF Qt writes has three pages: what
// lies under the markers, an empty one whose content sets up Qt's page matrix (from the
// device's pixels to the page) for the markers to follow, and what lies over them.
class CMarkerLayer : public CCellLayer {
public:
    CMarkerLayer(QPdfWriter& writer, QTemporaryFile& file) : m_writer(writer), m_file(file) {
        m_text.reserve(size_t(kBufferBytes) + 4096);
    }

    bool Open(const QTransform& toDevice, const QRect* clip) override {
        if (m_state != State::None || !m_file.open() || !m_writer.newPage())
            return false;
        m_state = State::Open;
        const QTransform& m = toDevice;
        m_text = "q\n";
        for (double v : {m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy()})
            append(m_text, v);
        m_text += "cm\n";
        if (clip) {
            for (int v : {clip->x(), clip->y(), clip->width(), clip->height()})
                append(m_text, v);
            m_text += "re W n\n";
        }
        return true;
    }

    void Fill(COLORREF color, const QRect* cells, int count) override {
        if (!m_bColor || color != m_color) {
            for (int c : {GetRValue(color), GetGValue(color), GetBValue(color)})
                append(m_text, c / 255.0);
            m_text += "rg\n";
            m_color = color;
            m_bColor = true;
        }
        for (int i = 0; i < count; ++i) {
            const QRect& r = cells[i];
            for (int v : {r.x(), r.y(), r.width(), r.height()})
                append(m_text, v);
            m_text += "re\n";
            if ((i + 1) % kRectsPerPath == 0 || i + 1 == count)
                m_text += "f\n";
        }
        if (qsizetype(m_text.size()) >= kBufferBytes)
            Flush();
    }

    void Close() override {
        m_text += "Q\n";
        Flush();
        m_bFailed = m_bFailed || !m_file.flush() || !m_writer.newPage();
        m_state = State::Closed;
    }

    bool Written() const { return m_state == State::Closed; }
    bool Failed() const { return m_bFailed; }
    // Where each piece lies in the file: its first byte and its length.
    const std::vector<std::pair<qint64, qint64>>& Pieces() const { return m_aPiece; }

private:
    void Flush() {
        if (m_text.empty())
            return;
        const qint64 at = m_aPiece.empty() ? 0 : m_aPiece.back().first + m_aPiece.back().second;
        if (m_file.write(m_text.data(), qint64(m_text.size())) != qint64(m_text.size()))
            m_bFailed = true;
        m_aPiece.emplace_back(at, qint64(m_text.size()));
        m_text.clear();
    }

    enum class State { None, Open, Closed };
    QPdfWriter& m_writer;
    QTemporaryFile& m_file;
    State m_state = State::None;
    bool m_bFailed = false;
    bool m_bColor = false;
    COLORREF m_color = 0;
    std::string m_text;
    std::vector<std::pair<qint64, qint64>> m_aPiece;
};

// The stream data of `length` bytes from `offset` of a file, read while the PDF is written.
class CFileStreamData : public QPDFObjectHandle::StreamDataProvider {
public:
    CFileStreamData(QString path, qint64 offset, qint64 length)
        : m_path(std::move(path)), m_nOffset(offset), m_nLength(length) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_nOffset))
            throw std::runtime_error("marker file cannot be read");
        std::vector<unsigned char> piece(1 << 16);
        for (qint64 left = m_nLength; left > 0;) {
            const qint64 n = file.read(reinterpret_cast<char*>(piece.data()),
                                       std::min(left, qint64(piece.size())));
            if (n <= 0)
                throw std::runtime_error("marker file cannot be read");
            pipeline->write(piece.data(), size_t(n));
            left -= n;
        }
        pipeline->finish();
    }

private:
    QString m_path;
    qint64 m_nOffset, m_nLength;
};

// The first page of `pages` with the markers and then the third page over it, as `path`.
// Each piece of the markers is a content stream of its own: the writer holds a stream whole
// while it writes it, and a page's streams are read as one.
void assemble(const QString& pages, const QString& markers,
              const std::vector<std::pair<qint64, qint64>>& pieces, const QString& path) {
    QPDF pdf;
    const QByteArray pagesName = QFile::encodeName(pages);
    pdf.processFile(pagesName.constData());
    QPDFPageDocumentHelper document(pdf);
    std::vector<QPDFPageObjectHelper> all = document.getAllPages();
    if (all.size() != 3)
        throw std::runtime_error("unexpected page count");
    QPDFPageObjectHelper& page = all[0];
    const QPDFObjectHandle over = all[2].getFormXObjectForPage();

    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle forms = resources.getKey("/XObject");
    forms = forms.isDictionary() ? forms.shallowCopy() : QPDFObjectHandle::newDictionary();
    std::string name = "/KelvoOver";
    while (forms.hasKey(name))
        name += 'X';
    forms.replaceKey(name, over);
    resources.replaceKey("/XObject", forms);

    // Qt's pages leave its page matrix set, so each is kept within a state of its own; the
    // markers follow the empty page within its state, on the matrix Qt set there.
    QPDFObjectHandle empty = all[1].getObjectHandle().getKey("/Contents");
    if (empty.isStream())
        empty = QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{empty});
    if (!empty.isArray())
        throw std::runtime_error("no content on the markers' page");
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "\nQ\nq\n"), false);
    for (const QPDFObjectHandle& content : empty.getArrayAsVector())
        page.addPageContents(content, false);
    for (const auto& [offset, length] : pieces) {
        QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf);
        stream.replaceStreamData(std::make_shared<CFileStreamData>(markers, offset, length),
                                 QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
        page.addPageContents(stream, false);
    }
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "\nQ\nq " + name + " Do Q\n"), false);
    document.removePage(all[2]);
    document.removePage(all[1]);

    // The writer keeps the name's pointer until it has written: the bytes must outlive it.
    const QByteArray fileName = QFile::encodeName(path);
    QPDFWriter writer(pdf, fileName.constData());
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(true);
    writer.write();
}

// Copies a file into `path` as it is, a piece at a time.
bool copyFile(QFile& from, const QString& path) {
    QFile to(path);
    if (!from.seek(0) || !to.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    std::vector<char> piece(1 << 16);
    qint64 n = 0;
    while ((n = from.read(piece.data(), qint64(piece.size()))) > 0) {
        if (to.write(piece.data(), n) != n)
            return false;
    }
    return n == 0 && to.flush();
}

} // namespace

namespace MapPosterPdf {

QString Write(const QString& path, CMapCanvas& canvas, const CPosterOptions& options) {
    QTemporaryFile pages(QDir::tempPath() + QStringLiteral("/kelvo-poster-XXXXXX.pdf"));
    QTemporaryFile markerFile(QDir::tempPath() + QStringLiteral("/kelvo-markers-XXXXXX"));
    if (!pages.open())
        return cannotWrite(path);
    QString error;
    bool split = false;
    std::vector<std::pair<qint64, qint64>> pieces;
    {
        QPdfWriter writer(&pages);
        writer.setResolution(kDotsPerInch);
        writer.setCreator(QStringLiteral("Kelvo"));
        writer.setTitle(options.strTitle);
        CMarkerLayer markers(writer, markerFile);
        error = MapPoster::Print(writer, canvas, options, &markers);
        if (error.isEmpty() && markers.Failed())
            error = cannotWrite(path);
        split = markers.Written();
        pieces = markers.Pieces();
    }
    if (!error.isEmpty())
        return error;
    if (!pages.flush())
        return cannotWrite(path);
    if (!split)
        return copyFile(pages, path) ? QString() : cannotWrite(path);
    // What the page and the markers took while they were drawn goes back to the system
    // before qpdf reads the pages (the heap keeps what is freed in its middle).
    malloc_trim(0);
    try {
        assemble(pages.fileName(), markerFile.fileName(), pieces, path);
    } catch (const std::exception&) {
        return cannotWrite(path);
    }
    return {};
}

} // namespace MapPosterPdf
