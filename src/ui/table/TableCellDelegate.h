#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

#include <memory>

class QTextLayout;

// Paints the cells of a table window as the standard delegate does, with each text laid out
// once: the style lays out a cell's text up to five times on every paint (the item's
// rectangles, the eliding, the drawing), which is most of what a screen of rows costs. Here a
// text is laid out (and elided) once for its column width and alignment and kept for the next
// cell that shows the same (a screen of rows repeats many: Staat, Bundesland, Landkreis) and
// for the next paint.
//
// The short way takes the cells whose text is one line (elided or not) without check box,
// icon, focus frame or editor, in the style whose drawing of view items is the common one
// (Fusion); their pixels are the standard delegate's: the same layout of the same text, drawn
// at the same place with the same pen and clip. Every other cell (text on several lines, the
// focused cell, another style) is painted by the standard delegate itself.
class CTableCellDelegate : public QStyledItemDelegate {
public:
    explicit CTableCellDelegate(QObject* parent = nullptr);
    ~CTableCellDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Counts the cells painted the short way (for tests); reset by the caller.
    static int s_nPlainCells;

private:
    struct CKey {
        QString text;
        int width;
        int alignment;
        int direction;
        int elide;
        bool operator==(const CKey& other) const = default;
        friend size_t qHash(const CKey& key, size_t seed) {
            return qHashMulti(seed, key.text, key.width, key.alignment, key.direction, key.elide);
        }
    };
    struct CText; // a text laid out for its cell
    // The text of a plain cell laid out for `width`; null when it takes more than a line.
    const CText* Laid(const QStyleOptionViewItem& opt, int width) const;

    mutable QHash<CKey, std::shared_ptr<CText>> m_texts;
    mutable QFont m_font; // the font m_texts are laid out in
};
