#include "ui/inspector/InspectorView.h"

#include "app/AppState.h"
#include "ui/common/PaintedIcon.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/ThumbnailCache.h"
#include "ui/common/Typography.h"
#include "ui/inspector/ImageMetadataEditor.h"
#include "ui/inspector/PresetsView.h"
#include "ui/inspector/SolarDebugView.h"
#include "ui/library/LibraryContext.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace tl::ui {

InspectorView::InspectorView(LibraryContext& context, LocationProviderFactory makeLocation, QWidget* parent)
    : QScrollArea(parent)
    , appState_(context.appState)
    , thumbnails_(context.thumbnails())
    , makeLocation_(std::move(makeLocation))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const auto update = [this] { refresh(); };
    observations_.push_back(appState_.images.observe(update));
    observations_.push_back(appState_.selectedImageIds.observe(update));
    observations_.push_back(appState_.lastSelectedImageId.observe(update));
    observations_.push_back(appState_.mode.observe(update));
    connect(&thumbnails_, &ThumbnailCache::thumbnailFailed, this, &InspectorView::showPictureProblem);
    connect(&thumbnails_, &ThumbnailCache::thumbnailReady, this, &InspectorView::showPictureProblem);
    refresh();
}

QAbstractButton* InspectorView::modeButton(WallpaperMode mode) const
{
    return modes_ ? modes_->button(static_cast<int>(mode)) : nullptr;
}

void InspectorView::refresh()
{
    const Layout wanted { appState_.selectedImage().has_value(), appState_.mode.get() };
    if (shown_ != wanted) build(wanted);
    showPictureProblem();
}

void InspectorView::showPictureProblem()
{
    if (!problem_) return;
    const auto image = appState_.selectedImage();
    const QString reason
        = image && image->sourcePath ? thumbnails_.problem(QString::fromStdString(*image->sourcePath)) : QString();
    problem_->setText(QStringLiteral("This picture cannot be shown. ") + reason);
    problem_->setVisible(!reason.isEmpty());
}

void InspectorView::build(const Layout& layout)
{
    shown_ = layout;
    problem_ = nullptr;
    presets_ = nullptr;
    editor_ = nullptr;
    solarView_ = nullptr;
    modes_ = nullptr;
    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setSpacing(20);
    stack->setContentsMargins(16, 16, 16, 16);
    if (!layout.hasImage) {
        stack->addStretch(1);
        stack->addWidget(makeEmptyState());
        stack->addStretch(1);
    } else {
        problem_ = makeLabel({}, TextStyle::callout, false, page);
        problem_->setWordWrap(true);
        problem_->setStyleSheet(QStringLiteral("color: rgb(214, 110, 0);"));
        problem_->hide();
        stack->addWidget(problem_);
        stack->addWidget(makeModeHeader());
        stack->addWidget(makeDivider(Qt::Horizontal, page));
        presets_ = new PresetsView(appState_, page);
        stack->addWidget(presets_);
        stack->addWidget(makeDivider(Qt::Horizontal, page));
        editor_ = new ImageMetadataEditor(appState_, page);
        stack->addWidget(editor_);
        if (layout.mode == WallpaperMode::time) {
            stack->addWidget(makeDivider(Qt::Horizontal, page));
            solarView_ = new SolarDebugView(appState_, makeLocation_(), page);
            stack->addWidget(solarView_);
        }
        stack->addStretch(1);
    }
    // The old page goes with everything on it, including a sun preview's typed
    // place; later, because the click that changed the mode may still be running
    // inside it.
    if (QWidget* old = takeWidget()) old->deleteLater();
    setWidget(page);
}

QWidget* InspectorView::makeEmptyState()
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setSpacing(8);
    auto* icon = new QLabel(box);
    icon->setPixmap(symbolIcon(QStringLiteral("cursorarrow"), secondaryColor()).pixmap(40, 40));
    icon->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);
    auto* title = makeLabel(QStringLiteral("No Selection"), TextStyle::title2, false, box);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    auto* description
        = makeLabel(QStringLiteral("Select an image to edit its metadata"), TextStyle::callout, true, box);
    description->setAlignment(Qt::AlignCenter);
    description->setWordWrap(true);
    column->addWidget(description);
    return box;
}

QWidget* InspectorView::makeModeHeader()
{
    auto* header = new QWidget;
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(makeLabel(QStringLiteral("Mode"), TextStyle::headline, false, header));

    // Two joined, exclusive buttons: a segmented picker.
    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    modes_ = new QButtonGroup(header);
    modes_->setExclusive(true);
    for (const auto& [mode, title] : { std::pair { WallpaperMode::time, QStringLiteral("Time") },
             std::pair { WallpaperMode::appearance, QStringLiteral("Appearance") } }) {
        auto* button = new QToolButton(header);
        button->setText(title);
        button->setCheckable(true);
        button->setChecked(appState_.mode.get() == mode);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        modes_->addButton(button, static_cast<int>(mode));
        segments->addWidget(button);
    }
    column->addLayout(segments);
    modes_->setObjectName(QStringLiteral("Mode"));
    connect(
        modes_, &QButtonGroup::idClicked, this, [this](int id) { appState_.setMode(static_cast<WallpaperMode>(id)); });
    return header;
}

} // namespace tl::ui
