#include "ui/window/ContentView.h"

#include "app/AppCommandCenter.h"
#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/ProjectIO.h"
#include "platform/qt/EventLoop.h"
#include "ui/common/ChildLifetime.h"
#include "ui/common/SheetPresenter.h"
#include "ui/desktop/DesktopBackgroundController.h"
#include "ui/export/ExportController.h"
#include "ui/export/ExportOptionsSheet.h"
#include "ui/export/ExportResultView.h"
#include "ui/generation/CreateWallpaperSheet.h"
#include "ui/inspector/InspectorColumn.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/SolarDebugView.h"
#include "ui/library/DynamicWallpaperOpener.h"
#include "ui/library/ImageImporter.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/window/AppActions.h"
#include "ui/window/WindowSheets.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

namespace tl {
namespace {

// The export sheet's Export waits this long before asking for the file, so the click finishes first.
constexpr int exportPanelDelayMs = 100;

} // namespace

ContentView::ContentView(
    AppCommandCenter& commandCenter, AppActions& actions, GenerationServices& generation, QWidget* parent)
    : ContentView(commandCenter, actions, generation, ui::engineExportServices(), {}, parent)
{
}

ContentView::ContentView(AppCommandCenter& commandCenter, AppActions& actions, GenerationServices& generation,
    ui::ExportServices services, ui::ExportFilePanel panel, QWidget* parent)
    : QWidget(parent)
    , commandCenter_(commandCenter)
    , appState_(commandCenter.appState)
    , uiState_(commandCenter.uiState)
    , panel_(panel ? std::move(panel) : ui::qtExportFilePanel(this))
    , context_(std::make_unique<ui::LibraryContext>(appState_, uiState_, *window(), generation))
    , library_(new ui::ImagesLibraryView(
          *context_, [this] { commandCenter_.presentImportPanel(); },
          [this] { commandCenter_.requestGenerateTimeline(); }, this))
    , export_(new ui::ExportController(appState_, uiState_, std::move(services), this))
    , toolbar_(new QToolBar(QStringLiteral("Toolbar"), this))
{
    context_->dialogs = &commandCenter.projectIO.dialogs();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(library_, 1);
    auto* inspector = new ui::InspectorColumn(*context_, this);
    layout->addWidget(inspector);
    ui::DesktopBackgroundController::attach(
        actions.setDesktopBackground, appState_, inspector->inspector(), commandCenter.projectIO.dialogs(), *this);
    setDesktopBackgroundAction_ = &actions.setDesktopBackground;
    buildToolbar(actions);
    commandCenter_.addImages
        = [this](const std::vector<std::filesystem::path>& files) { library_->importer().import(files); };
    wallpaperOpener_ = std::make_unique<ui::DynamicWallpaperOpener>(
        appState_, *context_->dialogs,
        [inspector]() -> std::optional<Location> {
            // The sun preview exists only while the inspector has shown a frame.
            auto* solar = inspector->inspector().solarView();
            return solar ? solar->model().effectiveLocation() : std::nullopt;
        },
        postToMainThread);
    commandCenter_.openDynamicWallpaper = [this](const std::filesystem::path& heic) { wallpaperOpener_->open(heic); };

    observations_.push_back(uiState_.viewMode.observe([this] { viewModeChanged(); }));
    sheets_ = std::make_unique<ui::WindowSheets>(
        uiState_, context_->sheets(), [this](AppUIState::ActiveSheet sheet) { return makeSheet(sheet); });
}

ContentView::~ContentView()
{
    commandCenter_.addImages = nullptr;
    commandCenter_.openDynamicWallpaper = nullptr;
    wallpaperOpener_.reset();
    sheets_.reset();
    // The panes use the library context; they go before it does.
    ui::deleteChildrenFirst(*this);
}

void ContentView::buildToolbar(AppActions& actions)
{
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(18, 18));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);

    toolbar_->addAction(&actions.importImages);
    toolbar_->addSeparator();
    toolbar_->addAction(&actions.generateTimeline);
    toolbar_->addAction(&actions.autoTween);
    toolbar_->addSeparator();
    openAction_ = &actions.open;
    toolbar_->addAction(&actions.open);
    toolbar_->addAction(&actions.save);
    toolbar_->addAction(&actions.exportWallpaper);
    if (QWidget* openButton = toolbar_->widgetForAction(openAction_)) openButton->installEventFilter(this);
    toolbar_->addSeparator();
    toolbar_->addActions(actions.viewModes.actions());

    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    toolbar_->addAction(&actions.toggleInspector);
}

bool ContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == toolbar_->widgetForAction(openAction_)) {
        if (event->type() == QEvent::Enter) uiState_.isHoveringOpenButton = true;
        if (event->type() == QEvent::Leave) uiState_.isHoveringOpenButton = false;
    }
    return QWidget::eventFilter(watched, event);
}

ui::ExportOptionsSheet* ContentView::exportSheet()
{
    return qobject_cast<ui::ExportOptionsSheet*>(context_->sheets().current());
}

void ContentView::viewModeChanged()
{
    if (uiState_.viewMode.get() != LibraryViewMode::single) return;
    const auto& images = appState_.images.get();
    if (appState_.selectedImageIds.get().empty() && !images.empty()) appState_.select(images.front().id);
}

QDialog* ContentView::makeSheet(AppUIState::ActiveSheet sheet)
{
    switch (sheet) {
    case AppUIState::ActiveSheet::exportOptions: {
        // Each showing starts from an empty display, whatever the last run left.
        uiState_.exportProgress = 0.0;
        uiState_.exportMessage = std::string();
        uiState_.isExportingHeic = false;
        uiState_.exportFrames.set({});
        uiState_.exportedFile = std::nullopt;
        auto* exportSheet = new ui::ExportOptionsSheet(uiState_,
            {
                .onCancel = [this] { uiState_.activeSheet = std::nullopt; },
                .onCancelExport = [this] { uiState_.cancelExport(); },
                .onExport = [this] { startExport(); },
            },
            window());
        exportSheet->setThumbnails(context_->thumbnails());
        exportSheet->setMode(appState_.mode.get());
        // Tweens are blended again from the upscaled key frames, so only key frames are upscaled.
        std::vector<std::filesystem::path> keyFrames;
        for (const auto& image : appState_.images.get()) {
            if (!image.isTween && image.sourcePath) keyFrames.emplace_back(*image.sourcePath);
        }
        exportSheet->setKeyFrames(std::move(keyFrames), export_->services().probeSecondsPerTile);
        // The wallpaper just written goes onto the desktop from beside "Export complete!".
        auto* setBackground = new QPushButton(setDesktopBackgroundAction_->text());
        connect(setBackground, &QPushButton::clicked, setDesktopBackgroundAction_, &QAction::trigger);
        exportSheet->resultView().addFileButton(setBackground);
        return exportSheet;
    }
    case AppUIState::ActiveSheet::magicGenerate:
        return ui::makeCreateWallpaperSheet(*context_, window());
    }
    return nullptr;
}

void ContentView::startExport()
{
    const HeicExportOptions options = uiState_.exportOptions.get();
    QTimer::singleShot(exportPanelDelayMs, this, [this, options] { exportHeic(options); });
}

void ContentView::exportHeic(const HeicExportOptions& options)
{
    const auto output = panel_(
        ui::ExportController::proposedFileName(appState_.currentProjectPath.get()), uiState_.lastExportDirectory.get());
    if (!output) return;
    uiState_.lastExportDirectory = output->parent_path();
    export_->runExport(*output, options);
}

} // namespace tl
