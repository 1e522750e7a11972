#include "ui/library/sheets/ImageEditSheet.h"

#include "ui/common/ImageConversion.h"
#include "ui/common/PaintedIcon.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/ThumbnailCache.h"
#include "ui/common/Typography.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

constexpr QSize pictureBounds(300, 200);

// The picture fitted into 300 by 200, rounded, with a thin or an accent outline.
QPixmap framedPicture(const QImage& picture, const QColor& stroke, double strokeWidth)
{
    if (picture.isNull()) return {};
    const QSize size = picture.size().scaled(pictureBounds, Qt::KeepAspectRatio);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), 8, 8);
    painter.setClipPath(clip);
    painter.drawImage(QRect(QPoint(0, 0), size), picture);
    painter.setClipping(false);
    painter.setPen(QPen(stroke, strokeWidth));
    const double inset = strokeWidth / 2;
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)).adjusted(inset, inset, -inset, -inset), 8, 8);
    return pixmap;
}

QWidget* pictureColumn(QLabel* caption, QLabel* picture, QWidget* parent)
{
    auto* column = new QWidget(parent);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(caption);
    layout->addWidget(picture);
    layout->addStretch();
    return column;
}

} // namespace

ImageEditSheet::ImageEditSheet(const AppState& appState, WallpaperImage imageToEdit,
    ImageEditModel::EditService service, ThumbnailCache& thumbnails, OnImageEdited onImageEdited, QWidget* parent)
    : QDialog(parent)
    , model_(appState, std::move(imageToEdit), std::move(service))
    , thumbnails_(thumbnails)
    , onImageEdited_(std::move(onImageEdited))
    , originalPicture_(new QLabel(this))
    , secondCaption_(makeLabel({}, TextStyle::caption, true, this))
    , secondPicture_(new QLabel(this))
    , instruction_(new QPlainTextEdit(this))
    , errorBanner_(new QFrame(this))
    , errorText_(makeLabel({}, TextStyle::callout, false, errorBanner_))
    , progressPane_(new QWidget(this))
    , bar_(new QProgressBar(progressPane_))
    , progressText_(makeLabel({}, TextStyle::caption, true, progressPane_))
    , discard_(new QPushButton(QStringLiteral("Discard Changes"), this))
    , main_(new QPushButton(this))
{
    setWindowTitle(QStringLiteral("Edit Image with AI"));
    setFixedSize(700, 600);

    auto* header = new QWidget(this);
    header->setAutoFillBackground(true);
    auto* headerRow = new QHBoxLayout(header);
    auto* title = makeLabel(QStringLiteral("Edit Image with AI"), TextStyle::title2, false, header);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), header);
    cancel->setAutoDefault(false);
    headerRow->addWidget(title);
    headerRow->addStretch();
    headerRow->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setSpacing(24);

    originalColumn_
        = pictureColumn(makeLabel(QStringLiteral("Original"), TextStyle::caption, true, this), originalPicture_, this);
    auto* comparison = new QHBoxLayout;
    comparison->setSpacing(16);
    comparison->addStretch();
    comparison->addWidget(originalColumn_, 0, Qt::AlignTop);
    comparison->addWidget(pictureColumn(secondCaption_, secondPicture_, this), 0, Qt::AlignTop);
    comparison->addStretch();
    contentLayout->addLayout(comparison);

    auto* instructionSection = new QVBoxLayout;
    instructionSection->setSpacing(12);
    instructionSection->addWidget(
        makeLabel(QStringLiteral("What would you like to fix?"), TextStyle::headline, false, content));
    instruction_->setPlaceholderText(QStringLiteral("e.g., Fix camera angle to match the original"));
    const int line = instruction_->fontMetrics().lineSpacing();
    instruction_->setMinimumHeight(3 * line + 12);
    instruction_->setMaximumHeight(6 * line + 12);
    instruction_->setTabChangesFocus(true);
    auto* examples = makeLabel(
        QStringLiteral(
            "Examples: \"Fix the camera angle\", \"Make the lighting warmer\", \"Remove the extra building\""),
        TextStyle::caption, true, content);
    examples->setWordWrap(true);
    auto* field = new QVBoxLayout;
    field->setSpacing(8);
    field->addWidget(instruction_);
    field->addWidget(examples);
    instructionSection->addLayout(field);
    contentLayout->addLayout(instructionSection);

    errorBanner_->setStyleSheet(QStringLiteral("QFrame { background: rgba(255, 149, 0, 26); border-radius: 8px; }"));
    auto* bannerRow = new QHBoxLayout(errorBanner_);
    auto* warning = new QLabel(errorBanner_);
    warning->setPixmap(symbolIcon(QStringLiteral("exclamationmark.triangle.fill"), QColor(255, 149, 0)).pixmap(16, 16));
    errorText_->setWordWrap(true);
    bannerRow->addWidget(warning);
    bannerRow->addWidget(errorText_, 1);
    contentLayout->addWidget(errorBanner_);

    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    auto* progressLayout = new QVBoxLayout(progressPane_);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->setSpacing(12);
    progressLayout->addWidget(bar_);
    progressLayout->addWidget(progressText_, 0, Qt::AlignHCenter);
    contentLayout->addWidget(progressPane_);
    contentLayout->addStretch();

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Scroll indicators show when there is something to scroll, never as an empty track.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* footer = new QWidget(this);
    footer->setAutoFillBackground(true);
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->addWidget(discard_);
    footerRow->addStretch();
    footerRow->addWidget(main_);
    discard_->setAutoDefault(false);
    main_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(makeDivider(Qt::Horizontal, this));
    layout->addWidget(scroll, 1);
    layout->addWidget(makeDivider(Qt::Horizontal, this));
    layout->addWidget(footer);

    connect(instruction_, &QPlainTextEdit::textChanged, this,
        [this] { model_.editPrompt = instruction_->toPlainText().toStdString(); });
    connect(discard_, &QPushButton::clicked, this, [this] { model_.discard(); });
    connect(main_, &QPushButton::clicked, this, &ImageEditSheet::mainAction);
    // The library decodes many pictures while the sheet is open; only ours change what it shows.
    connect(&thumbnails_, &ThumbnailCache::thumbnailReady, this, [this](const QString& path) {
        if (showsPictureOf(path)) refreshPictures();
    });

    const auto update = [this] { refresh(); };
    observations_.push_back(model_.editPrompt.observe(update));
    observations_.push_back(model_.isGenerating.observe(update));
    observations_.push_back(model_.progress.observe(update));
    observations_.push_back(model_.progressMessage.observe(update));
    observations_.push_back(model_.generatedPreview.observe([this] {
        refreshPictures();
        refresh();
    }));
    observations_.push_back(model_.errorMessage.observe(update));
    refreshPictures();
    refresh();
    // Typing goes to the instruction: with Cancel first in the tab order, Space would close the
    // sheet and lose what was typed.
    instruction_->setFocus();
}

ImageEditSheet::~ImageEditSheet() = default;

QImage ImageEditSheet::pictureOf(const WallpaperImage& image) const
{
    if (image.thumbnail) return toQImage(*image.thumbnail);
    if (image.sourcePath) return thumbnails_.thumbnail(QString::fromStdString(*image.sourcePath));
    return {};
}

bool ImageEditSheet::showsPictureOf(const QString& path) const
{
    const auto isPictureOf = [&path](const WallpaperImage& image) {
        return image.sourcePath && QString::fromStdString(*image.sourcePath) == path;
    };
    const auto reference = model_.referenceImage();
    return isPictureOf(model_.imageToEdit()) || (reference && isPictureOf(*reference));
}

void ImageEditSheet::refreshPictures()
{
    const auto reference = model_.referenceImage();
    originalColumn_->setVisible(reference.has_value());
    const QColor thin = withOpacity(secondaryColor(palette()), 0.2);
    originalPicture_->setPixmap(reference ? framedPicture(pictureOf(*reference), thin, 1) : QPixmap());

    const bool previewing = model_.generatedPreview.get().has_value();
    secondCaption_->setText(previewing ? QStringLiteral("Edited") : QStringLiteral("Current"));
    secondPicture_->setPixmap(previewing ? framedPicture(model_.previewPicture, accentColor(palette()), 2)
                                         : framedPicture(pictureOf(model_.imageToEdit()), thin, 1));
}

void ImageEditSheet::refresh()
{
    const bool generating = model_.isGenerating.get();
    instruction_->setReadOnly(generating);
    instruction_->setEnabled(!generating);
    const auto& error = model_.errorMessage.get();
    errorBanner_->setVisible(error.has_value());
    errorText_->setText(error ? QString::fromStdString(*error) : QString());
    progressPane_->setVisible(generating);
    bar_->setValue(static_cast<int>(std::clamp(model_.progress.get(), 0.0, 1.0) * 1000));
    progressText_->setText(QString::fromStdString(model_.progressMessage.get()));

    discard_->setVisible(model_.showsDiscard());
    main_->setText(QString::fromStdString(model_.mainButtonTitle()));
    main_->setEnabled(model_.mainButtonEnabled() && !saving_);
    discard_->setEnabled(model_.discardEnabled() && !saving_);
}

void ImageEditSheet::mainAction()
{
    if (!model_.mainButtonEnabled() || saving_) return;
    const auto& preview = model_.generatedPreview.get();
    if (!preview) {
        model_.regenerate();
        return;
    }
    if (!onImageEdited_) {
        accept();
        return;
    }
    saving_ = true;
    refresh();
    onImageEdited_(*preview, [sheet = QPointer(this)](std::optional<std::string> failure) {
        if (sheet) sheet->saveFinished(failure);
    });
}

void ImageEditSheet::saveFinished(const std::optional<std::string>& failure)
{
    saving_ = false;
    refresh();
    if (!failure) {
        accept();
        return;
    }
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Edit Image with AI"),
        QString::fromStdString(*failure), QMessageBox::Ok, this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

} // namespace tl::ui
