#include "ui/window/ContentView.h"

#include "app/AppCommandCenter.h"
#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/ProjectIO.h"
#include "ui/common/Symbols.h"
#include "ui/export/ExportController.h"
#include "ui/export/ExportOptionsSheet.h"
#include "ui/library/ImageImporter.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/window/AppActions.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace tl {
namespace {

using ui::symbolIcon;

// The export sheet's Export waits this long before asking for the file, so the click finishes first.
constexpr int exportPanelDelayMs = 100;

} // namespace

ContentView::ContentView(AppCommandCenter& commandCenter, AppActions& actions, QWidget* parent)
    : ContentView(commandCenter, actions, ui::engineExportServices(), {}, parent)
{
}

ContentView::ContentView(AppCommandCenter& commandCenter, AppActions& actions, ui::ExportServices services,
    ui::ExportFilePanel panel, QWidget* parent)
    : QWidget(parent)
    , commandCenter_(commandCenter)
    , appState_(commandCenter.appState)
    , uiState_(commandCenter.uiState)
    , panel_(panel ? std::move(panel) : ui::qtExportFilePanel(this))
    , library_(new ui::ImagesLibraryView(
          appState_, uiState_, [this] { commandCenter_.presentImportPanel(); },
          [this] { uiState_.activeSheet = AppUIState::ActiveSheet::magicGenerate; }, this))
    , export_(new ui::ExportController(appState_, uiState_, std::move(services), this))
    , toolbar_(new QToolBar(QStringLiteral("Toolbar"), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(library_, 1);
    buildToolbar(actions);
    commandCenter_.addImages
        = [this](const std::vector<std::filesystem::path>& files) { library_->importer().import(files); };

    const auto refresh = [this] { updateActions(); };
    observations_.push_back(appState_.images.observe(refresh));
    observations_.push_back(uiState_.viewMode.observe([this] {
        viewModeChanged();
        updateActions();
    }));
    observations_.push_back(uiState_.isHoveringOpenButton.observe(refresh));
    observations_.push_back(uiState_.activeSheet.observe([this] { activeSheetChanged(); }));
    // A one-shot request for the automatic tweens; the tween sheet that answers it is not part of
    // this window yet, so the request is consumed here.
    observations_.push_back(uiState_.shouldTriggerAutoTween.observe([this] {
        if (uiState_.shouldTriggerAutoTween.get()) uiState_.shouldTriggerAutoTween = false;
    }));
    updateActions();
}

ContentView::~ContentView()
{
    commandCenter_.addImages = nullptr;
    if (sheet_) delete sheet_.data();
}

void ContentView::buildToolbar(AppActions& actions)
{
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(18, 18));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);

    QAction* import = toolbar_->addAction(symbolIcon(QStringLiteral("plus")), QStringLiteral("Import Images..."));
    connect(import, &QAction::triggered, this, [this] { commandCenter_.presentImportPanel(); });
    toolbar_->addSeparator();
    QAction* generate
        = toolbar_->addAction(symbolIcon(QStringLiteral("sparkles")), QStringLiteral("Generate Timeline..."));
    connect(
        generate, &QAction::triggered, this, [this] { uiState_.activeSheet = AppUIState::ActiveSheet::magicGenerate; });
    autoTween_ = toolbar_->addAction(symbolIcon(QStringLiteral("wand.and.stars")), QStringLiteral("Auto Tween..."));
    connect(autoTween_, &QAction::triggered, this, [this] {
        if (hasMultipleKeyImages()) uiState_.shouldTriggerAutoTween = true;
    });
    toolbar_->addSeparator();

    // Open, Save and Export are the menu's own actions, so each command has one action and one shortcut.
    openAction_ = &actions.open;
    actions.save.setIcon(symbolIcon(QStringLiteral("internaldrive")));
    actions.exportWallpaper.setIcon(symbolIcon(QStringLiteral("arrow.up.doc")));
    toolbar_->addAction(openAction_);
    toolbar_->addAction(&actions.save);
    toolbar_->addAction(&actions.exportWallpaper);
    if (QWidget* openButton = toolbar_->widgetForAction(openAction_)) openButton->installEventFilter(this);
    toolbar_->addSeparator();

    viewModes_ = new QActionGroup(this);
    const std::pair<LibraryViewMode, std::pair<const char*, const char*>> modes[] = {
        { LibraryViewMode::grid, { "Grid", "square.grid.2x2" } },
        { LibraryViewMode::list, { "List", "list.bullet" } },
        { LibraryViewMode::single, { "Single", "photo" } },
    };
    for (const auto& [mode, look] : modes) {
        QAction* action
            = viewModes_->addAction(symbolIcon(QString::fromLatin1(look.second)), QString::fromLatin1(look.first));
        action->setCheckable(true);
        action->setData(static_cast<int>(mode));
        connect(action, &QAction::triggered, this, [this, mode = mode] { uiState_.viewMode = mode; });
    }
    toolbar_->addActions(viewModes_->actions());

    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    QAction* inspector = toolbar_->addAction(symbolIcon(QStringLiteral("sidebar.right")), QStringLiteral("Inspector"));
    connect(inspector, &QAction::triggered, this, [this] { uiState_.showsInspector = !uiState_.showsInspector.get(); });
}

bool ContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == toolbar_->widgetForAction(openAction_)) {
        if (event->type() == QEvent::Enter) uiState_.isHoveringOpenButton = true;
        if (event->type() == QEvent::Leave) uiState_.isHoveringOpenButton = false;
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::updateActions()
{
    const bool hasImages = !appState_.images.get().empty();
    autoTween_->setEnabled(hasMultipleKeyImages());
    openAction_->setIcon(
        symbolIcon(uiState_.isHoveringOpenButton.get() ? QStringLiteral("folder.fill") : QStringLiteral("folder")));
    for (QAction* action : viewModes_->actions()) {
        action->setEnabled(hasImages);
        action->setChecked(action->data().toInt() == static_cast<int>(uiState_.viewMode.get()));
    }
}

bool ContentView::hasMultipleKeyImages() const
{
    return std::ranges::count(appState_.images.get(), false, &WallpaperImage::isTween) > 1;
}

void ContentView::viewModeChanged()
{
    if (uiState_.viewMode.get() != LibraryViewMode::single) return;
    const auto& images = appState_.images.get();
    if (appState_.selectedImageIds.get().empty() && !images.empty()) appState_.select(images.front().id);
}

void ContentView::activeSheetChanged()
{
    const auto& sheet = uiState_.activeSheet.get();
    // Writes of the value already shown change nothing.
    if (sheet == shownSheet_) return;
    shownSheet_ = sheet;
    if (sheet == AppUIState::ActiveSheet::exportOptions) {
        uiState_.exportProgress = 0.0;
        uiState_.exportMessage = std::string();
        uiState_.isExportingHeic = false;
        uiState_.exportFrames.set({});
        if (!sheet_) {
            sheet_ = new ui::ExportOptionsSheet(uiState_,
                {
                    .onCancel = [this] { uiState_.activeSheet = std::nullopt; },
                    .onCancelExport = [this] { uiState_.cancelExport(); },
                    .onExport = [this] { startExport(); },
                },
                window());
        }
        sheet_->open();
        return;
    }
    // The create-wallpaper sheet is not part of this window yet: its slot shows nothing.
    if (sheet_) {
        sheet_->hide();
        sheet_->deleteLater();
    }
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
