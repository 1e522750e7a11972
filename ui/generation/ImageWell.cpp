#include "ui/generation/ImageWell.h"

#include "platform/ImageFileBytes.h"
#include "platform/qt/QtText.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/generation/PanelPainting.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

constexpr int wellHeight = 140;
constexpr double cornerRadius = 14;

std::optional<std::string> pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) return std::nullopt;
    return bytes.toStdString();
}

} // namespace

std::optional<DroppedImage> droppedImage(const QMimeData& mime)
{
    if (mime.hasUrls()) {
        const auto urls = mime.urls();
        if (urls.isEmpty()) return std::nullopt;
        // Only a file on this machine: a remote address is never fetched.
        if (!urls.front().isLocalFile()) return std::nullopt;
        const std::filesystem::path path = urls.front().toLocalFile().toStdString();
        const auto bytes = readImageFileBytes(path);
        if (!bytes) return std::nullopt;
        return DroppedImage { std::string(bytes->begin(), bytes->end()), path };
    }
    if (mime.hasImage()) {
        auto data = pngBytes(qvariant_cast<QImage>(mime.imageData()));
        if (!data) return std::nullopt;
        return DroppedImage { std::move(*data), std::nullopt };
    }
    return std::nullopt;
}

bool acceptsDrag(const QMimeData& mime)
{
    return (mime.hasUrls() && !mime.urls().isEmpty()) || mime.hasImage();
}

ImageWell::ImageWell(Actions actions, QWidget* parent)
    : QWidget(parent)
    , actions_(std::move(actions))
    , well_(new QWidget(this))
    , clearButton_(new QToolButton(well_))
    , pickButton_(new QPushButton(this))
    , fileName_(makeLabel({}, TextStyle::caption, true, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(makeSectionHeading(QStringLiteral("Starting Image"), this));

    well_->setFixedHeight(wellHeight);
    well_->setAcceptDrops(true);
    well_->setAttribute(Qt::WA_Hover);
    well_->setCursor(Qt::PointingHandCursor);
    well_->installEventFilter(this);
    column->addWidget(well_);

    clearButton_->setAutoRaise(true);
    clearButton_->setIcon(symbolIcon(QStringLiteral("xmark.circle.fill"), secondaryColor()));
    clearButton_->setIconSize(QSize(16, 16));
    clearButton_->setToolTip(QStringLiteral("Clear"));
    clearButton_->hide();
    connect(clearButton_, &QToolButton::clicked, this, [this] {
        if (actions_.onClear) actions_.onClear();
    });

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(pickButton_);
    fileName_->setTextFormat(Qt::PlainText);
    row->addWidget(fileName_, 1);
    column->addLayout(row);
    connect(pickButton_, &QPushButton::clicked, this, [this] {
        if (actions_.onPick) actions_.onPick();
    });

    auto* note = makeLabel(
        QStringLiteral("If set, this image is used as the base frame for relighting instead of generating a new one."),
        TextStyle::caption, true, this);
    note->setWordWrap(true);
    column->addWidget(note);
    setImage(QImage(), false, std::nullopt);
}

void ImageWell::setImage(const QImage& picture, bool isSet, const std::optional<std::string>& fileName)
{
    isSet_ = isSet;
    image_ = picture;
    pickButton_->setText(isSet ? QStringLiteral("Replace image") : QStringLiteral("Choose an image"));
    // A remembered name without its picture would promise a relit image the run cannot make.
    const bool named = isSet && fileName.has_value();
    fileName_->setText(named ? toDisplayText(*fileName) : QString());
    fileName_->setVisible(named);
    clearButton_->setVisible(clearButtonShown());
    well_->update();
}

bool ImageWell::clearButtonShown() const
{
    return isSet_ && hovering_;
}

void ImageWell::setHovering(bool hovering)
{
    hovering_ = hovering;
    clearButton_->setVisible(clearButtonShown());
}

bool ImageWell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != well_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        paintWell(*well_);
        return true;
    case QEvent::Resize:
        clearButton_->move(well_->width() - clearButton_->sizeHint().width() - 8, 8);
        break;
    case QEvent::Enter:
    case QEvent::HoverEnter:
        setHovering(true);
        break;
    case QEvent::Leave:
    case QEvent::HoverLeave:
        setHovering(false);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && actions_.onPick) actions_.onPick();
        return true;
    case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (acceptsDrag(*drag->mimeData())) {
            drag->acceptProposedAction();
            targeted_ = true;
            well_->update();
        }
        return true;
    }
    case QEvent::DragLeave:
        targeted_ = false;
        well_->update();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        targeted_ = false;
        well_->update();
        drop->acceptProposedAction();
        if (auto dropped = droppedImage(*drop->mimeData()); dropped && actions_.onDropData)
            actions_.onDropData(std::move(*dropped));
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ImageWell::paintWell(QWidget& well)
{
    QPainter painter(&well);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = panelBounds(well.rect());
    const QColor secondary = secondaryColor(well.palette());
    drawFaintPanel(painter, bounds, cornerRadius, secondary, targeted_ ? 0.18 : 0.08, [&] {
        if (!image_.isNull()) {
            painter.drawImage(fittedRect(QSizeF(image_.size()), bounds.adjusted(10, 10, -10, -10)), image_);
            return;
        }
        const QFont caption = styledFont(TextStyle::caption);
        const int textHeight = QFontMetrics(caption).height();
        const double blockHeight = 28 + 6 + textHeight;
        const double top = bounds.center().y() - blockHeight / 2;
        drawSymbol(painter, QStringLiteral("photo.on.rectangle"), QRectF(bounds.center().x() - 16, top - 2, 32, 32),
            secondary);
        painter.setFont(caption);
        painter.setPen(secondary);
        painter.drawText(QRectF(bounds.left(), top + 34, bounds.width(), textHeight), Qt::AlignCenter,
            QStringLiteral("Drop an image or click to choose"));
    });
}

} // namespace tl::ui
