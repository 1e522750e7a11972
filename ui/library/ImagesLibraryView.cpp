#include "ui/library/ImagesLibraryView.h"

#include "platform/qt/EventLoop.h"
#include "ui/common/ChildLifetime.h"
#include "ui/common/ImageConversion.h"
#include "ui/common/Palette.h"
#include "ui/common/SheetPresenter.h"
#include "ui/common/ThumbnailCache.h"
#include "ui/library/EditedImageSaving.h"
#include "ui/library/ImageImporter.h"
#include "ui/library/ImportProgressPane.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/LibraryDelegates.h"
#include "ui/library/LibraryDrop.h"
#include "ui/library/LibraryItemView.h"
#include "ui/library/LibraryPanes.h"
#include "ui/library/PlaybackController.h"
#include "ui/library/ReorderDragTracker.h"
#include "ui/library/TimelineListModel.h"
#include "ui/library/TimelineScrubberView.h"
#include "ui/library/TweenButtons.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/ImageEditSheet.h"
#include "ui/library/sheets/TweenConfigSheet.h"

#include "platform/Image.h"

#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

constexpr int gridSpacing = 16;
constexpr int minimumTileWidth = 180;

QString menuTitle(LibraryMenuItem item)
{
    switch (item) {
    case LibraryMenuItem::editWithAI:
        return QStringLiteral("Edit with AI...");
    case LibraryMenuItem::generateTweens:
        return QStringLiteral("Generate Tweens...");
    case LibraryMenuItem::deleteImage:
        return QStringLiteral("Delete");
    case LibraryMenuItem::divider:
        return {};
    }
    return {};
}

// The strip's resize handle: a 4-point bar that drags the strip's height.
class ResizeHandle : public QWidget {
public:
    ResizeHandle(LibraryViewModel& library, QWidget* parent)
        : QWidget(parent)
        , library_(library)
    {
        setFixedHeight(4);
        setCursor(Qt::SizeVerCursor);
        observation_ = library_.isDraggingTimeline.observe([this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(),
            library_.isDraggingTimeline.get() ? accentColor(palette()) : withOpacity(secondaryColor(palette()), 0.3));
    }
    void mousePressEvent(QMouseEvent* event) override { pressY_ = event->globalPosition().y(); }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const double translation = event->globalPosition().y() - pressY_;
        // A drag begins after 10 points of movement; then every move resizes.
        if (!library_.isDraggingTimeline.get() && std::abs(translation) < 10) return;
        library_.timelineResizeChanged(translation);
    }
    void mouseReleaseEvent(QMouseEvent*) override
    {
        if (library_.isDraggingTimeline.get()) library_.timelineResizeEnded();
    }

private:
    LibraryViewModel& library_;
    double pressY_ = 0;
    Observation observation_;
};

ClickModifiers currentModifiers()
{
    const auto modifiers = QGuiApplication::keyboardModifiers();
    return { .shift = modifiers.testFlag(Qt::ShiftModifier), .command = modifiers.testFlag(Qt::ControlModifier) };
}

QListView* makeItemView(TimelineListModel& model, QItemSelectionModel& selection, QWidget* parent)
{
    auto* view = new LibraryItemView(parent);
    view->setModel(&model);
    view->setSelectionModel(&selection);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    // The reorder marker is our own; Qt's line would mark places a drop never goes.
    view->setDropIndicatorShown(false);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    view->setDefaultDropAction(Qt::MoveAction);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setUniformItemSizes(true);
    view->setFrameShape(QFrame::NoFrame);
    return view;
}

} // namespace

ImagesLibraryView::ImagesLibraryView(
    LibraryContext& context, std::function<void()> onImport, std::function<void()> onGenerate, QWidget* parent)
    : QWidget(parent)
    , context_(context)
    , appState_(context.appState)
    , uiState_(context.uiState)
    , viewModel_(appState_, uiState_)
    , tweens_(new TweenInsertion(appState_, viewModel_, engineTweens(), this))
    , reorder_(appState_, viewModel_.dropTargetId)
    , importer_(new ImageImporter(appState_, this))
    , playback_(new PlaybackController(appState_, viewModel_.previewHour, uiState_.isTimelinePlaying, this))
    , layouts_(new QStackedLayout)
    , empty_(new EmptyStateView(std::move(onImport), std::move(onGenerate), this))
    , grid_(makeItemView(context.model(), context.selectionModel(), this))
    , list_(makeItemView(context.model(), context.selectionModel(), this))
    , single_(new SingleImageView(this))
    , singleTweens_(makeTweenButton(QStringLiteral("Generate Tweens..."), single_))
    , handle_(new ResizeHandle(viewModel_, this))
    , scrubber_(new TimelineScrubberView(
          context.model(), *playback_, viewModel_.previewHour, uiState_.isTimelinePlaying, this))
    , editSaves_(postToMainThread)
{
    setAcceptDrops(true);
    model().setImportHandler([this](std::vector<std::filesystem::path> files) { importer_->import(std::move(files)); });

    // Grid: selection by our own click rules; the shared selection model only shows it.
    grid_->setViewMode(QListView::IconMode);
    // Static: a drop into a gap must never move tiles on screen without reordering the store.
    grid_->setMovement(QListView::Static);
    grid_->setResizeMode(QListView::Adjust);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setItemDelegate(new ImageTileDelegate(model(), grid_));
    grid_->setContentsMargins(8, 8, 8, 8);
    grid_->viewport()->installEventFilter(this);
    connect(grid_, &QListView::doubleClicked, this,
        [this](const QModelIndex& index) { viewModel_.handleDoubleClick(model().imageAt(index.row()).id); });

    // List: the list's own extended selection, written back to the store by the selection sync.
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setItemDelegate(new ImageRowDelegate(model(), list_));
    list_->setSpacing(2);

    // The marker sits in the gap above the drawn tile or row: 10 points above a tile drawn 8 inside
    // its item, 8 points above a row drawn 4 inside.
    new ReorderDragTracker(*grid_, model(), reorder_, viewModel_.dropTargetId, 10 - 8);
    new ReorderDragTracker(*list_, model(), reorder_, viewModel_.dropTargetId, 8 - 4);
    const auto canTween = [this](const WallpaperImage& image) { return viewModel_.tweenTarget(image).has_value(); };
    const auto openTweens = [this](const WallpaperImage& image) { tweens_->openTweenSheet(image); };
    new TweenHoverButton(*grid_, model(), TweenHoverButton::Placement::tile, canTween, openTweens);
    new TweenHoverButton(*list_, model(), TweenHoverButton::Placement::row, canTween, openTweens);
    single_->setAccessory(singleTweens_);
    connect(importer_, &ImageImporter::skipped, this,
        [this](const std::vector<SkippedFile>& files) { showSkippedFilesAlert(*window(), files); });
    connect(singleTweens_, &QPushButton::clicked, this, [this] { tweens_->generateTweensForSelection(); });

    for (auto [view, layout] :
        { std::pair { grid_, LibraryViewMode::grid }, std::pair { list_, LibraryViewMode::list } }) {
        connect(view, &QListView::customContextMenuRequested, this,
            [this, view, layout](const QPoint& position) { showContextMenu(*view, position, layout); });
    }

    layouts_->addWidget(empty_);
    layouts_->addWidget(grid_);
    layouts_->addWidget(list_);
    layouts_->addWidget(single_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(layouts_, 1);
    layout->addWidget(new ImportProgressPane(*importer_, this));
    layout->addWidget(handle_);
    layout->addWidget(scrubber_);

    const auto relayout = [this] { showLayout(); };
    observations_.push_back(appState_.images.observe(relayout));
    observations_.push_back(appState_.mode.observe(relayout));
    observations_.push_back(uiState_.viewMode.observe(relayout));
    observations_.push_back(viewModel_.timelineHeight.observe(relayout));
    observations_.push_back(appState_.selectedImageIds.observe([this] { showSelectedImage(); }));
    observations_.push_back(
        viewModel_.isDropTargeted.observe([this] { empty_->setDropTargeted(viewModel_.isDropTargeted.get()); }));
    connect(&context.previews(), &ThumbnailCache::thumbnailReady, this, &ImagesLibraryView::showSelectedImage);
    connect(&context.thumbnails(), &ThumbnailCache::thumbnailReady, this, &ImagesLibraryView::showSelectedImage);
    connect(&context.previews(), &ThumbnailCache::thumbnailFailed, this, &ImagesLibraryView::showSelectedImage);
    observations_.push_back(tweens_->showingTweenSheet.observe([this] { tweenSheetShownChanged(); }));
    // A one-shot request from the toolbar and menu, consumed as soon as it is seen.
    observations_.push_back(uiState_.shouldTriggerAutoTween.observe([this] {
        if (!uiState_.shouldTriggerAutoTween.get()) return;
        tweens_->beginAutoTween();
        uiState_.shouldTriggerAutoTween = false;
    }));
    showLayout();
}

ImagesLibraryView::~ImagesLibraryView()
{
    // The library's own sheets use its state; they close before it goes.
    if (qobject_cast<TweenConfigSheet*>(context_.sheets().current())
        || qobject_cast<ImageEditSheet*>(context_.sheets().current()))
        context_.sheets().dismiss();
    // The strip's playback writes the preview hour of the view model on its way out.
    // Deleting the children sends events through the filters here, which must not see a
    // half-deleted grid.
    grid_->viewport()->removeEventFilter(this);
    deleteChildrenFirst(*this);
}

TimelineListModel& ImagesLibraryView::model()
{
    return context_.model();
}

void ImagesLibraryView::showLayout()
{
    if (appState_.images.get().empty()) {
        layouts_->setCurrentWidget(empty_);
    } else {
        switch (uiState_.viewMode.get()) {
        case LibraryViewMode::grid:
            layouts_->setCurrentWidget(grid_);
            break;
        case LibraryViewMode::list:
            layouts_->setCurrentWidget(list_);
            break;
        case LibraryViewMode::single:
            layouts_->setCurrentWidget(single_);
            break;
        }
    }
    const bool strip = viewModel_.showsTimeline();
    handle_->setVisible(strip);
    scrubber_->setVisible(strip);
    // Playback belongs to the strip: when the strip goes away, so does playback.
    if (!strip && uiState_.isTimelinePlaying.get()) uiState_.isTimelinePlaying = false;
    scrubber_->setFixedHeight(static_cast<int>(viewModel_.timelineHeight.get()));
    showSelectedImage();
    layoutGrid();
}

void ImagesLibraryView::showSelectedImage()
{
    if (layouts_->currentWidget() != single_) return;
    const auto image = appState_.selectedImage();
    QImage picture;
    QString problem;
    if (image && image->sourcePath) {
        const QString path = QString::fromStdString(*image->sourcePath);
        picture = context_.previews().thumbnail(path);
        // The small picture stands in while the large one is decoded.
        if (picture.isNull()) picture = context_.thumbnails().thumbnail(path);
        problem = context_.previews().problem(path);
    } else if (image && image->thumbnail) {
        picture = toQImage(*image->thumbnail);
    }
    singleTweens_->setVisible(viewModel_.canGenerateTweensForSelection());
    single_->show(image, picture, problem);
}

void ImagesLibraryView::layoutGrid()
{
    // Adaptive columns: as many tiles of at least 180 points as fit, sharing the spare width.
    const int available = grid_->viewport()->width() - 2 * gridSpacing;
    const int columns = std::max(1, (available + gridSpacing) / (minimumTileWidth + gridSpacing));
    const int tileWidth = (available - (columns - 1) * gridSpacing) / columns;
    grid_->setGridSize(QSize(tileWidth + gridSpacing, ImageTileDelegate::tileHeight + gridSpacing));
}

bool ImagesLibraryView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_->viewport()) {
        if (event->type() == QEvent::Resize) layoutGrid();
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* press = static_cast<QMouseEvent*>(event);
            const QModelIndex index = grid_->indexAt(press->position().toPoint());
            if (index.isValid() && press->button() == Qt::LeftButton) {
                viewModel_.handleClick(model().imageAt(index.row()).id, currentModifiers());
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ImagesLibraryView::showContextMenu(QListView& view, const QPoint& position, LibraryViewMode layout)
{
    const QModelIndex index = view.indexAt(position);
    if (!index.isValid()) return;
    const WallpaperImage image = model().imageAt(index.row());
    QMenu menu(this);
    for (const auto item : viewModel_.contextMenu(image, layout)) {
        if (item == LibraryMenuItem::divider) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(menuTitle(item));
        switch (item) {
        case LibraryMenuItem::deleteImage:
            connect(action, &QAction::triggered, this, [this, id = image.id] { viewModel_.deleteImage(id); });
            break;
        case LibraryMenuItem::generateTweens:
            connect(action, &QAction::triggered, this, [this, image] { tweens_->openTweenSheet(image); });
            break;
        case LibraryMenuItem::editWithAI:
            connect(action, &QAction::triggered, this, [this, image] { editImage(image); });
            break;
        case LibraryMenuItem::divider:
            break;
        }
    }
    menu.exec(view.viewport()->mapToGlobal(position));
}

void ImagesLibraryView::editImage(const WallpaperImage& image)
{
    imageToEdit_ = image;
    auto* sheet = new ImageEditSheet(appState_, image, ImageEditModel::proxyService(context_.generation),
        context_.thumbnails(), [this, image](const std::string& bytes, ImageEditSheet::SaveFinished finished) {
            saveEditedImage(image, bytes, std::move(finished));
        });
    context_.sheets().present(sheet);
}

void ImagesLibraryView::saveEditedImage(
    const WallpaperImage& image, const std::string& bytes, std::function<void(std::optional<std::string>)> finished)
{
    editSaves_.start([this, image, bytes, finished = std::move(finished)](const WorkerRuns::Run& run) {
        auto written = writeEditedImage(bytes, image);
        // Every save ends: the file is written whatever else has happened meanwhile.
        run.postAlways([this, image, written = std::move(written), finished] {
            if (written) applyEditedImage(appState_, image, written.value());
            finished(written ? std::nullopt : std::optional(written.error()));
        });
    });
}

void ImagesLibraryView::tweenSheetShownChanged()
{
    auto& sheets = context_.sheets();
    if (!tweens_->showingTweenSheet.get()) {
        if (qobject_cast<TweenConfigSheet*>(sheets.current())) sheets.dismiss();
        return;
    }
    if (qobject_cast<TweenConfigSheet*>(sheets.current())) return;
    // A sheet closed any other way (the window going, another sheet taking its place) is closed
    // for the library too.
    sheets.present(new TweenConfigSheet(*tweens_), [this] { tweens_->showingTweenSheet = false; });
}

void ImagesLibraryView::dragEnterEvent(QDragEnterEvent* event)
{
    if (std::holds_alternative<ImportDrop>(classifyDrop(*event->mimeData()))) {
        viewModel_.isDropTargeted = true;
        event->acceptProposedAction();
    }
}

void ImagesLibraryView::dragLeaveEvent(QDragLeaveEvent*)
{
    viewModel_.isDropTargeted = false;
}

void ImagesLibraryView::dropEvent(QDropEvent* event)
{
    viewModel_.isDropTargeted = false;
    if (model().handleDrop(*event->mimeData(), std::nullopt)) event->acceptProposedAction();
}

} // namespace tl::ui
