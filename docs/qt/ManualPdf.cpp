// Builds the instructions PDF from the manual's Markdown text at build time, with the toolkit's
// own text document and PDF writer: no further tool is needed to make the document.
//   spectrel-manual-pdf INPUT.md OUTPUT.pdf TITLE

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QTextTable>
#include <cstdio>
#include <utility>

namespace {

constexpr double MARGIN_MM = 18.0;
constexpr int BODY_POINTS = 10;
// Screenshots are drawn no wider than this share of the text width, so none runs off the page.
constexpr double IMAGE_SHARE = 0.9;
constexpr qreal HEADING_SPACE = 8;
constexpr qreal CELL_PADDING = 3;
// Taken off the page's text height for the page number.
constexpr qreal FOOTER_HEIGHT = 24;

bool ReadText(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "spectrel-manual-pdf: cannot read %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    text = QString::fromUtf8(file.readAll());
    return true;
}

// Every image of the document scaled down to `width` (document units) where it is wider. A
// missing image is an error: the manual would silently lose a picture.
bool FitImages(QTextDocument& document, qreal width) {
    bool complete = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            QTextImageFormat format = fragment.fragment().charFormat().toImageFormat();
            if (!format.isValid()) {
                continue;
            }
            const QImage image =
                document.resource(QTextDocument::ImageResource, format.name()).value<QImage>();
            if (image.isNull()) {
                std::fprintf(stderr, "spectrel-manual-pdf: image %s not found\n",
                             qPrintable(format.name()));
                complete = false;
                continue;
            }
            // Kept in the document, so that printing does not have to find the file again.
            document.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            const qreal scale = qMin<qreal>(1.0, width / image.width());
            format.setWidth(image.width() * scale);
            format.setHeight(image.height() * scale);
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.fragment().position());
            cursor.setPosition(fragment.fragment().position() + fragment.fragment().length(),
                               QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    return complete;
}

// The plain Markdown look made readable on paper: room above headings, each chapter on a new
// page (a level-one heading), tables across the text width with padded cells.
void StyleDocument(QTextDocument& document) {
    bool firstChapter = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        const int level = format.headingLevel();
        if (level == 0) {
            continue;
        }
        format.setTopMargin(level <= 2 ? HEADING_SPACE * 2 : HEADING_SPACE);
        format.setBottomMargin(HEADING_SPACE / 2);
        if (level == 1 && !std::exchange(firstChapter, false)) {
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        }
        QTextCursor(block).setBlockFormat(format);
    }
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat format = table->format();
            format.setCellPadding(CELL_PADDING);
            format.setCellSpacing(0);
            format.setBorder(1);
            format.setBorderBrush(QColor(0x99, 0x99, 0x99));
            format.setBorderCollapse(true);
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(format);
        }
    }
}

// A paragraph that holds a picture and nothing else: the pictures of the manual, each of which
// gets a caption below it.
bool IsPictureOnly(const QTextBlock& block) {
    bool picture = false;
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        if (fragment.fragment().charFormat().isImageFormat()) {
            picture = true;
        } else if (!fragment.fragment().text().trimmed().isEmpty()) {
            return false;
        }
    }
    return picture;
}

QString PictureText(const QTextBlock& block) {
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        const QTextCharFormat format = fragment.fragment().charFormat();
        if (format.isImageFormat()) {
            return format.stringProperty(QTextFormat::ImageAltText);
        }
    }
    return {};
}

// "Figure N: <the picture's text>" in italics, centred below each picture.
void AddCaptions(QTextDocument& document) {
    QList<int> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (IsPictureOnly(block)) {
            pictures.append(block.blockNumber());
        }
    }
    // From the last, so that the numbers of the blocks still to caption stay as they were.
    for (qsizetype index = pictures.size() - 1; index >= 0; --index) {
        const QTextBlock picture = document.findBlockByNumber(pictures[index]);
        QTextBlockFormat captionBlock;
        captionBlock.setAlignment(Qt::AlignHCenter);
        captionBlock.setBottomMargin(HEADING_SPACE);
        QTextCharFormat captionText;
        captionText.setFontItalic(true);
        QTextCursor cursor(picture);
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertBlock(captionBlock, captionText);
        cursor.insertText(QStringLiteral("Figure %1: %2").arg(index + 1).arg(PictureText(picture)));
    }
}

// A cell is looked up afresh on every use: a cell kept across edits of the document may point
// elsewhere by then.
struct ContentsEntry {
    QTextBlock heading;
    QTextTable* table;
    int row;
};

bool InContents(const QTextBlock& block) {
    const int level = block.blockFormat().headingLevel();
    return level == 2 || level == 3;
}

// A "Contents" list of the chapters and their sections before the first chapter, the page
// numbers left empty until the pages are known.
QList<ContentsEntry> AddContents(QTextDocument& document) {
    QList<QTextBlock> headings;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (InContents(block)) {
            headings.append(block);
        }
    }
    if (headings.isEmpty()) {
        return {};
    }
    QTextCursor cursor(headings.first().previous());
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat titleBlock;
    titleBlock.setTopMargin(HEADING_SPACE * 2);
    QTextCharFormat titleText;
    titleText.setFontWeight(QFont::Bold);
    titleText.setFontPointSize(BODY_POINTS * 1.4);
    cursor.insertBlock(titleBlock, titleText);
    cursor.insertText(QStringLiteral("Contents"));

    QTextTableFormat format;
    format.setBorder(0);
    format.setCellPadding(0);
    format.setCellSpacing(0);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                      QTextLength(QTextLength::PercentageLength, 10)});
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextTable* table = cursor.insertTable(int(headings.size()), 2, format);
    QList<ContentsEntry> entries;
    for (int row = 0; row < headings.size(); ++row) {
        const QTextBlock heading = headings[row];
        QTextCursor title = table->cellAt(row, 0).firstCursorPosition();
        QTextBlockFormat indent;
        indent.setLeftMargin(heading.blockFormat().headingLevel() == 3 ? HEADING_SPACE * 2 : 0);
        title.setBlockFormat(indent);
        QTextCharFormat text;
        text.setFontWeight(heading.blockFormat().headingLevel() == 2 ? QFont::Bold : QFont::Normal);
        title.insertText(heading.text(), text);
        QTextCursor page = table->cellAt(row, 1).firstCursorPosition();
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        page.setBlockFormat(right);
        entries.append({heading, table, row});
    }
    return entries;
}

// Where a block's first line stands, in document units down the stacked pages (a line that does
// not fit at the foot of a page is moved to the next one inside its block, so the block's own
// top may still be on the page before); a block in a table counts from the table's top, so that
// a heading is kept with the whole table below it.
qreal BlockTop(QTextDocument& document, const QTextBlock& block) {
    if (QTextTable* table = QTextCursor(block).currentTable()) {
        return document.documentLayout()->frameBoundingRect(table).top();
    }
    const qreal top = document.documentLayout()->blockBoundingRect(block).top();
    const QTextLayout* layout = block.layout();
    return layout != nullptr && layout->lineCount() > 0 ? top + layout->lineAt(0).y() : top;
}

int PageOf(QTextDocument& document, const QTextBlock& block) {
    return int(BlockTop(document, block) / document.pageSize().height());
}

bool KeptWithNext(const QTextBlock& block) {
    return block.blockFormat().headingLevel() != 0 || IsPictureOnly(block);
}

// The first of the headings and pictures that lead up to `block` on its page: a chapter's
// heading, its section's heading and a picture below them move together.
QTextBlock FirstKept(QTextDocument& document, QTextBlock block) {
    const int page = PageOf(document, block);
    while (block.previous().isValid() && KeptWithNext(block.previous()) &&
           PageOf(document, block.previous()) == page) {
        block = block.previous();
    }
    return block;
}

// Nothing when the block already starts a page: moving it further would gain nothing.
void BreakBefore(QTextDocument& document, const QTextBlock& block) {
    QTextBlockFormat format = block.blockFormat();
    if (format.pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore ||
        !block.previous().isValid() ||
        PageOf(document, block.previous()) != PageOf(document, block)) {
        return;
    }
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(block).setBlockFormat(format);
}

// A heading (or a picture) at the foot of a page whose text (or caption) starts on the next one
// goes over to that page too. A move pushes only what follows it down, so one pass from the
// top settles every page.
void KeepWithNext(QTextDocument& document) {
    // The layout runs lazily, block by block; an edit amid a half-done layout leaves pages out
    // of the count, so the whole document is laid out first.
    document.pageCount();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlock next = block.next();
        if (next.isValid() && KeptWithNext(block) &&
            PageOf(document, block) != PageOf(document, next)) {
            BreakBefore(document, FirstKept(document, block));
        }
    }
}

// Fills in the contents' page numbers; true when one of them changed.
bool NumberContents(QTextDocument& document, const QList<ContentsEntry>& entries) {
    bool changed = false;
    for (const ContentsEntry& entry : entries) {
        const QString page = QString::number(PageOf(document, entry.heading) + 1);
        QTextCursor cursor = entry.table->cellAt(entry.row, 1).firstCursorPosition();
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        if (cursor.selectedText() != page) {
            cursor.insertText(page);
            changed = true;
        }
    }
    return changed;
}

// Page by page, with the page number at the foot of each.
void Print(QTextDocument& document, QPdfWriter& writer, qreal scale) {
    QPainter painter(&writer);
    const QSizeF page = document.pageSize();
    for (int index = 0; index < document.pageCount(); ++index) {
        if (index > 0) {
            writer.newPage();
        }
        painter.save();
        painter.scale(1 / scale, 1 / scale);
        painter.translate(0, -page.height() * index);
        document.drawContents(&painter, QRectF(QPointF(0, page.height() * index), page));
        painter.restore();
        // In the writer's own units: a font scaled along with the painter comes out at another
        // size, or not at all, on some pages.
        painter.setFont(document.defaultFont());
        const qreal footer = FOOTER_HEIGHT / scale;
        painter.drawText(QRectF(0, writer.height() - footer, writer.width(), footer),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(index + 1));
    }
}

} // namespace

int main(int argc, char** argv) {
    // A build machine has no display; the document needs fonts only.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: spectrel-manual-pdf INPUT.md OUTPUT.pdf TITLE\n");
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    QString markdown;
    if (!ReadText(input, markdown)) {
        return 1;
    }

    QPdfWriter writer(output);
    writer.setTitle(QString::fromLocal8Bit(argv[3]));
    writer.setCreator(QStringLiteral("spectrel-manual-pdf"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(MARGIN_MM, MARGIN_MM, MARGIN_MM, MARGIN_MM),
                                     QPageLayout::Millimeter));

    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), BODY_POINTS));
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(input).absolutePath() + "/"));
    document.setMarkdown(markdown);
    // The document is laid out in pages at the screen's resolution and scaled to the writer's
    // on print; laid out here, it is printed as it is, with the images it has loaded.
    const qreal scale =
        QGuiApplication::primaryScreen()->logicalDotsPerInchX() / writer.logicalDpiX();
    document.setPageSize(QSizeF(writer.width() * scale, writer.height() * scale - FOOTER_HEIGHT));
    StyleDocument(document);
    if (!FitImages(document, document.pageSize().width() * IMAGE_SHARE)) {
        return 1;
    }
    AddCaptions(document);
    const QList<ContentsEntry> contents = AddContents(document);
    // Page numbers and kept headings depend on each other; a few rounds settle both.
    for (int round = 0; round < 5; ++round) {
        KeepWithNext(document);
        if (!NumberContents(document, contents)) {
            break;
        }
    }
    document.pageCount();
    Print(document, writer, scale);
    return 0;
}
