// Builds the instructions PDF from the manual's Markdown text at build time, with the toolkit's
// own text document and PDF writer: no further tool is needed to make the document.
//   spectrel-manual-pdf INPUT.md OUTPUT.pdf TITLE

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
        painter.save();
        painter.scale(1 / scale, 1 / scale);
        painter.setFont(document.defaultFont());
        painter.drawText(QRectF(0, page.height(), page.width(), FOOTER_HEIGHT),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(index + 1));
        painter.restore();
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
    Print(document, writer, scale);
    return 0;
}
