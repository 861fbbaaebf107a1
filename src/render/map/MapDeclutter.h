#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QRect>
#include <QString>

#include <vector>

class CDeviceContext;
struct CFont;

// The room labels already take on a map: a label is drawn only where it covers none drawn
// before.
class CLabelSpace {
public:
    // True, and the rectangle taken, when it covers no rectangle taken before.
    bool Claim(const QRect& rect);

private:
    bool Overlaps(const QRect& rect) const;
    QHash<quint64, std::vector<QRect>> m_mapCells; // labels drawn, by grid cell
};

// Place names without overlap: the names a repaint would draw are collected in drawing
// order (Staat, PLZ) and drawn afterwards, larger places first, each only where its label
// covers no label drawn before. A place is the larger the more rows share its Ort.
class CNameDeclutter {
public:
    // Every row of the pass, drawn or not: counts the rows sharing its Ort.
    void CountPlace(QByteArrayView ort);
    // A name the repaint would draw with its top-left corner at (x, y): the Ort's label, and
    // the Ortsteil's 11 pixels below it when there is one.
    void AddName(int x, int y, QByteArrayView ort, const QString& ortsteil);
    bool HasNames() const { return !m_aNames.empty(); }
    // Draws the names in order of priority with the names font, in the colours of the names.
    void Draw(CDeviceContext& dc, const CFont& font);

private:
    struct Name {
        int x, y;
        QByteArray ort;
        QString ortsteil;
    };
    QHash<QByteArray, int> m_mapCount;
    std::vector<Name> m_aNames;
    CLabelSpace m_space;
};
