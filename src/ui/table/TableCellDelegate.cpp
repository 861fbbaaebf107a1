#include "ui/table/TableCellDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

int CTableCellDelegate::s_nPlainCells = 0;

namespace {

// Texts kept at most; then they are laid out anew (a screen holds a few hundred cells).
constexpr qsizetype kMaxTexts = 2000;

// Whether the style draws view items the common way: its own code for them is the one the
// short way below repeats. Other styles (also a style sheet's) draw them themselves.
bool CommonItemDrawing(const QStyle* style) {
    return qstrcmp(style->metaObject()->className(), "QFusionStyle") == 0;
}

bool PlainCell(const QStyleOptionViewItem& opt) {
    constexpr QStyleOptionViewItem::ViewItemFeatures kOther =
        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration |
        QStyleOptionViewItem::WrapText;
    return !(opt.features & kOther) && opt.showDecorationSelected &&
           opt.decorationPosition == QStyleOptionViewItem::Left &&
           !(opt.state & (QStyle::State_HasFocus | QStyle::State_Editing)) &&
           // Marks the alternatives of a text for eliding.
           !opt.text.contains(QChar(0x9c));
}

QTextOption CellTextOption(const QStyleOptionViewItem& opt) {
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(opt.direction);
    textOption.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
    return textOption;
}

// Lays the text out in lines of `width`; the number of lines.
int LayOut(QTextLayout& layout, int width) {
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
        ++lines;
    }
    layout.endLayout();
    return lines;
}

} // namespace

struct CTableCellDelegate::CText {
    CText(const QString& text, const QFont& font) : layout(text, font) {}
    QTextLayout layout; // as drawn: elided where the text does not fit
    int height = 0;     // the whole text's height, by which it is centred
};

CTableCellDelegate::CTableCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

CTableCellDelegate::~CTableCellDelegate() = default;

const CTableCellDelegate::CText* CTableCellDelegate::Laid(const QStyleOptionViewItem& opt,
                                                          int width) const {
    if (opt.font != m_font) {
        m_texts.clear();
        m_font = opt.font;
    }
    const CKey key{opt.text, width, int(opt.displayAlignment), int(opt.direction),
                   int(opt.textElideMode)};
    if (const auto found = m_texts.constFind(key); found != m_texts.cend())
        return found->get();
    if (m_texts.size() >= kMaxTexts)
        m_texts.clear();
    const QTextOption textOption = CellTextOption(opt);
    auto text = std::make_shared<CText>(opt.text, opt.font);
    text->layout.setTextOption(textOption);
    text->layout.setCacheEnabled(true);
    if (LayOut(text->layout, width) != 1) {
        m_texts.insert(key, nullptr);
        return nullptr;
    }
    text->height = text->layout.boundingRect().size().toSize().height();
    if (text->layout.lineAt(0).naturalTextWidth() > width) {
        // Too long: elided as the style elides, the elided text laid out for the drawing.
        const QString elided =
            QFontMetrics(opt.font).elidedText(opt.text, opt.textElideMode, width);
        const int height = text->height;
        text = std::make_shared<CText>(elided, opt.font);
        text->layout.setTextOption(textOption);
        text->layout.setCacheEnabled(true);
        LayOut(text->layout, width);
        text->height = height;
    }
    return m_texts.insert(key, std::move(text))->get();
}

void CTableCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    if (!CommonItemDrawing(style) || !PlainCell(opt)) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    // The text's rectangle: the whole cell (no check box, no icon, the decoration shown
    // selected), less the focus frame's margin on either side.
    const QStyle* proxy = style->proxy();
    const int margin = proxy->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    const CText* text = opt.text.isEmpty() ? nullptr : Laid(opt, textRect.width());
    if (!opt.text.isEmpty() && !text) {
        // On several lines: the style's own way.
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    ++s_nPlainCells;
    painter->save();
    painter->setClipRegion(painter->hasClipping() ? painter->clipRegion() & opt.rect
                                                  : QRegion(opt.rect));
    proxy->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    if (text) {
        QPalette::ColorGroup group =
            opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        // Centred vertically in the text's rectangle by the whole text's height.
        const QRect aligned = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment,
                                                  QSize(textRect.width(), text->height), textRect);
        text->layout.draw(painter, QPointF(textRect.x(), aligned.top()));
    }
    painter->restore();
}
