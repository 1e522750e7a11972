#include "ui/export/ExportOptionsSheet.h"

#include "platform/qt/EventLoop.h"
#include "platform/qt/QtText.h"
#include "ui/common/PaintedIcon.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/export/ExportProgressView.h"
#include "ui/export/ExportResultView.h"
#include "ui/export/UpscaleEstimateReader.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

constexpr int sheetWidth = 800;
constexpr int inset = 32;
constexpr int sectionSpacing = 24;

void setChecked(QAbstractButton& button, bool checked)
{
    const QSignalBlocker blocker(button);
    button.setChecked(checked);
}

QVBoxLayout* column(QWidget* owner, int spacing)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

// The canvas picker and, for the custom canvas, its width and height fields. Shown twice in the
// sheet over the same options.
class CanvasSizeControls : public QWidget {
public:
    CanvasSizeControls(ExportSheetModel& model, bool callout, QWidget* parent)
        : QWidget(parent)
        , model_(model)
        , presets_(new QComboBox(this))
        , customRow_(new QWidget(this))
        , width_(new QLineEdit(customRow_))
        , height_(new QLineEdit(customRow_))
    {
        presets_->setAccessibleName(QStringLiteral("Canvas size"));
        for (const auto preset : allHeicCanvasPresets)
            presets_->addItem(toQString(label(preset)));
        width_->setPlaceholderText(QStringLiteral("Width"));
        height_->setPlaceholderText(QStringLiteral("Height"));
        width_->setFixedWidth(90);
        height_->setFixedWidth(90);
        auto* row = new QHBoxLayout(customRow_);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(12);
        row->addWidget(width_);
        row->addWidget(makeLabel(QStringLiteral("×"), TextStyle::body, true, customRow_));
        row->addWidget(height_);
        row->addWidget(makeLabel(QStringLiteral("px"), TextStyle::body, true, customRow_));
        row->addStretch();
        auto* pickerRow = new QHBoxLayout;
        pickerRow->addWidget(
            makeLabel(QStringLiteral("Canvas size"), callout ? TextStyle::callout : TextStyle::body, callout, this));
        pickerRow->addWidget(presets_);
        pickerRow->addStretch();
        auto* layout = column(this, 8);
        layout->addLayout(pickerRow);
        layout->addWidget(customRow_);

        connect(presets_, &QComboBox::activated, this, [this](int index) {
            const auto preset = allHeicCanvasPresets[static_cast<std::size_t>(index)];
            model_.edit([preset](HeicExportOptions& o) { o.canvasPreset = preset; });
        });
        connect(width_, &QLineEdit::textEdited, this, [this](const QString& typed) {
            model_.edit([&](HeicExportOptions& o) { o.customWidth = typed.toStdString(); });
        });
        connect(height_, &QLineEdit::textEdited, this, [this](const QString& typed) {
            model_.edit([&](HeicExportOptions& o) { o.customHeight = typed.toStdString(); });
        });
    }

    void refresh()
    {
        const auto& options = model_.options();
        {
            const QSignalBlocker blocker(presets_);
            presets_->setCurrentIndex(static_cast<int>(
                std::ranges::find(allHeicCanvasPresets, options.canvasPreset) - allHeicCanvasPresets.begin()));
        }
        customRow_->setVisible(options.canvasPreset == HeicCanvasPreset::custom);
        // Only texts that differ are replaced, so typing keeps its cursor.
        if (width_->text().toStdString() != options.customWidth)
            width_->setText(QString::fromStdString(options.customWidth));
        if (height_->text().toStdString() != options.customHeight)
            height_->setText(QString::fromStdString(options.customHeight));
    }

private:
    ExportSheetModel& model_;
    QComboBox* presets_;
    QWidget* customRow_;
    QLineEdit* width_;
    QLineEdit* height_;
};

ExportOptionsSheet::ExportOptionsSheet(AppUIState& uiState, Actions actions, QWidget* parent)
    : QDialog(parent)
    , uiState_(uiState)
    , actions_(std::move(actions))
    , model_(uiState.exportOptions)
{
    setWindowTitle(QStringLiteral("Export Wallpaper"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(sheetWidth);

    auto* header = new QWidget(this);
    auto* headerLayout = column(header, 4);
    headerLayout->addWidget(makeLabel(QStringLiteral("Export Wallpaper"), TextStyle::title2, false, header));
    purpose_ = makeLabel({}, TextStyle::subheadline, true, header);
    headerLayout->addWidget(purpose_);
    setMode(WallpaperMode::time);

    upscalerReady_ = new QWidget(this);
    auto* readyRow = new QHBoxLayout(upscalerReady_);
    readyRow->setContentsMargins(0, 0, 0, 0);
    readyRow->setSpacing(10);
    upscalerIcon_ = new QLabel(upscalerReady_);
    readyRow->addWidget(upscalerIcon_);
    upscalerLine_ = makeLabel({}, TextStyle::callout, true, upscalerReady_);
    upscalerLine_->setWordWrap(true);
    readyRow->addWidget(upscalerLine_, 1);
    readyRow->addStretch();

    auto* sections = new QWidget(this);
    auto* sectionsLayout = column(sections, 24);
    sectionsLayout->addWidget(makeQualitySection());
    sectionsLayout->addWidget(makeTargetSection());
    sectionsLayout->addWidget(upscalerReady_);
    sectionsLayout->addWidget(makeAdvancedSection());

    validation_ = new QWidget(this);
    auto* validationRow = new QHBoxLayout(validation_);
    validationRow->setContentsMargins(0, 0, 0, 0);
    auto* warning = new QLabel(validation_);
    warning->setPixmap(symbolIcon(QStringLiteral("exclamationmark.triangle"), secondaryColor()).pixmap(14, 14));
    validationText_ = makeLabel({}, TextStyle::caption, true, validation_);
    validationRow->addWidget(warning);
    validationRow->addWidget(validationText_);
    validationRow->addStretch();

    progress_ = new ExportProgressView(this);
    result_ = new ExportResultView(this);

    dismiss_ = new QPushButton(this);
    primary_ = new QPushButton(this);
    primary_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(dismiss_);
    buttons->addStretch();
    buttons->addWidget(primary_);
    connect(dismiss_, &QPushButton::clicked, this, [this] { reject(); });
    connect(primary_, &QPushButton::clicked, this, [this] {
        if (!uiState_.isExportingHeic.get() && actions_.onExport) actions_.onExport();
    });

    // The options scroll when the window is shorter than the sheet; the running export and the
    // buttons stay below them, in sight, with every group open and an export running.
    body_ = new QWidget;
    auto* bodyLayout = column(body_, sectionSpacing);
    bodyLayout->addWidget(header);
    bodyLayout->addWidget(sections);
    bodyLayout->addWidget(validation_);
    bodyLayout->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(body_);
    // Groups that open or close change the content's height only once their layouts have
    // caught up; the sheet's height follows then.
    body_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(inset, inset, inset, inset);
    layout->setSpacing(sectionSpacing);
    layout->addWidget(scroll, 1);
    layout->addWidget(progress_);
    layout->addWidget(result_);
    layout->addLayout(buttons);

    const auto update = [this] { refresh(); };
    observations_.push_back(uiState_.exportOptions.observe(update));
    observations_.push_back(uiState_.isExportingHeic.observe(update));
    observations_.push_back(uiState_.exportProgress.observe(update));
    observations_.push_back(uiState_.exportMessage.observe(update));
    observations_.push_back(uiState_.exportFrames.observe(update));
    observations_.push_back(uiState_.exportedFile.observe(update));
    observations_.push_back(uiState_.upscaleSecondsPerTile.observe(update));
    observations_.push_back(model_.observeSelections(update));
    model_.appear();
    refresh();
}

ExportOptionsSheet::~ExportOptionsSheet() = default;

QWidget* ExportOptionsSheet::makeQualitySection()
{
    auto* section = new QWidget(this);
    auto* layout = column(section, 12);
    layout->addWidget(makeLabel(QStringLiteral("Export Quality"), TextStyle::headline, false, section));
    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    qualities_ = new QButtonGroup(section);
    for (std::size_t i = 0; i < allExportQualities.size(); ++i) {
        auto* segment = new QPushButton(toQString(label(allExportQualities[i])), section);
        segment->setCheckable(true);
        segment->setAutoDefault(false);
        segment->setMinimumHeight(30);
        qualities_->addButton(segment, static_cast<int>(i));
        segments->addWidget(segment);
    }
    segments->addStretch();
    layout->addLayout(segments);
    connect(qualities_, &QButtonGroup::idClicked, this,
        [this](int id) { model_.setQuality(allExportQualities[static_cast<std::size_t>(id)]); });
    return section;
}

QWidget* ExportOptionsSheet::makeTargetSection()
{
    auto* section = new QWidget(this);
    auto* layout = column(section, 12);
    layout->addWidget(makeLabel(QStringLiteral("Target Display"), TextStyle::headline, false, section));
    targets_ = new QButtonGroup(section);
    for (std::size_t i = 0; i < allTargetDisplays.size(); ++i) {
        auto* choice = new QRadioButton(toQString(label(allTargetDisplays[i])), section);
        targets_->addButton(choice, static_cast<int>(i));
        layout->addWidget(choice);
    }
    connect(targets_, &QButtonGroup::idClicked, this,
        [this](int id) { model_.setTargetDisplay(allTargetDisplays[static_cast<std::size_t>(id)]); });
    targetCanvas_ = new CanvasSizeControls(model_, true, section);
    layout->addWidget(targetCanvas_);
    return section;
}

QWidget* ExportOptionsSheet::makeAdvancedSection()
{
    auto* section = new QWidget(this);
    auto* layout = column(section, 8);
    advancedToggle_ = new QToolButton(section);
    advancedToggle_->setText(QStringLiteral("Advanced"));
    advancedToggle_->setCheckable(true);
    advancedToggle_->setAutoRaise(true);
    advancedToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    advancedToggle_->setArrowType(Qt::RightArrow);
    layout->addWidget(advancedToggle_);

    advanced_ = new QWidget(section);
    auto* content = column(advanced_, 12);
    content->setContentsMargins(16, 8, 0, 0);
    resize_ = new QCheckBox(QStringLiteral("Resize/crop to canvas"), advanced_);
    advancedCanvas_ = new CanvasSizeControls(model_, false, advanced_);
    upscale_ = new QCheckBox(QStringLiteral("AI upscaling (on this computer)"), advanced_);
    strategyRow_ = new QWidget(advanced_);
    auto* strategyLayout = column(strategyRow_, 4);
    auto* strategyPicker = new QHBoxLayout;
    strategies_ = new QComboBox(strategyRow_);
    auto* strategies = strategies_;
    for (const auto strategy : offeredUpscaleStrategies)
        strategies->addItem(toQString(label(strategy)));
    strategyPicker->addWidget(new QLabel(QStringLiteral("Upscale strategy"), strategyRow_));
    strategyPicker->addWidget(strategies);
    strategyPicker->addStretch();
    strategyLayout->addLayout(strategyPicker);
    strategyLayout->addWidget(
        makeLabel(QStringLiteral("Model: realesrgan512 (512×512 tiles, 4×)"), TextStyle::caption, true, strategyRow_));
    dither_ = new QCheckBox(QStringLiteral("Dither gradients (reduces banding)"), advanced_);
    keep_ = new QCheckBox(QStringLiteral("Keep preprocessed frames on disk"), advanced_);
    keepNote_ = makeLabel(
        QStringLiteral("Preprocessed frames will be kept after export."), TextStyle::caption, true, advanced_);
    for (QWidget* widget :
        std::initializer_list<QWidget*> { resize_, advancedCanvas_, makeDivider(Qt::Horizontal, advanced_), upscale_,
            strategyRow_, makeDivider(Qt::Horizontal, advanced_), dither_, keep_, keepNote_ }) {
        content->addWidget(widget);
    }
    layout->addWidget(advanced_);

    connect(advancedToggle_, &QToolButton::toggled, this, [this](bool open) {
        advancedToggle_->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        advanced_->setVisible(open);
    });
    connect(resize_, &QCheckBox::toggled, this,
        [this](bool on) { model_.edit([on](HeicExportOptions& o) { o.resizeEnabled = on; }); });
    connect(upscale_, &QCheckBox::toggled, this,
        [this](bool on) { model_.edit([on](HeicExportOptions& o) { o.upscaleEnabled = on; }); });
    connect(dither_, &QCheckBox::toggled, this,
        [this](bool on) { model_.edit([on](HeicExportOptions& o) { o.enableDither = on; }); });
    connect(keep_, &QCheckBox::toggled, this,
        [this](bool on) { model_.edit([on](HeicExportOptions& o) { o.keepPreprocessedFrames = on; }); });
    connect(strategies, &QComboBox::activated, this, [this](int index) {
        const auto strategy = offeredUpscaleStrategies[static_cast<std::size_t>(index)];
        model_.edit([strategy](HeicExportOptions& o) { o.upscaleStrategy = strategy; });
    });
    advanced_->setVisible(false);
    return section;
}

void ExportOptionsSheet::refresh()
{
    const auto& options = model_.options();
    setChecked(*qualities_->button(static_cast<int>(model_.quality())), true);
    setChecked(*targets_->button(static_cast<int>(model_.targetDisplay())), true);
    // One canvas control at a time: the target's while Custom… is chosen.
    const bool customTarget = model_.targetDisplay() == TargetDisplay::custom;
    targetCanvas_->setVisible(customTarget);
    targetCanvas_->refresh();
    advancedCanvas_->refresh();
    upscalerReady_->setVisible(model_.showsUpscalerLine());
    upscalerLine_->setText(QString::fromStdString(model_.upscalerLine(tileTime(), measuring_)));
    const bool refused = model_.refusal().has_value();
    upscalerIcon_->setPixmap((refused ? symbolIcon(QStringLiteral("exclamationmark.triangle"), secondaryColor())
                                      : symbolIcon(QStringLiteral("checkmark.circle.fill"), QColor(52, 199, 89)))
                                 .pixmap(16, 16));

    setChecked(*resize_, options.resizeEnabled);
    advancedCanvas_->setVisible(options.resizeEnabled && !customTarget);
    setChecked(*upscale_, options.upscaleEnabled);
    {
        const QSignalBlocker blocker(strategies_);
        const auto found = std::ranges::find(offeredUpscaleStrategies, options.upscaleStrategy);
        strategies_->setCurrentIndex(
            found == offeredUpscaleStrategies.end() ? -1 : static_cast<int>(found - offeredUpscaleStrategies.begin()));
    }
    strategyRow_->setVisible(options.upscaleEnabled);
    setChecked(*dither_, options.enableDither);
    setChecked(*keep_, options.keepPreprocessedFrames);
    keep_->setEnabled(!model_.keepFramesDisabled());
    keepNote_->setVisible(options.keepPreprocessedFrames);

    const auto message = model_.validationMessage();
    validation_->setVisible(message.has_value());
    validationText_->setText(message ? QString::fromStdString(*message) : QString());

    const bool exporting = uiState_.isExportingHeic.get();
    const auto& status = uiState_.exportMessage.get();
    progress_->setVisible(exporting);
    if (exporting) progress_->show(uiState_.exportProgress.get(), status, uiState_.exportFrames.get());
    result_->show(exporting ? std::string() : status, exporting ? std::nullopt : uiState_.exportedFile.get());

    dismiss_->setText(exporting ? QStringLiteral("Cancel Export") : toQString(ExportSheetModel::dismissTitle(status)));
    primary_->setText(exporting ? QStringLiteral("Exporting...") : QStringLiteral("Export"));
    primary_->setEnabled(!exporting && model_.canExport());
    fitToWindow();
}

void ExportOptionsSheet::fitToWindow()
{
    // The width stays fixed; the height follows what is shown, up to the height of the window
    // the sheet belongs to (and of the screen's free part) less the sheet's own title bar.
    body_->layout()->activate();
    const int contentWidth = sheetWidth - 2 * inset;
    const auto heightOf = [contentWidth](const QWidget& widget) {
        return widget.hasHeightForWidth() ? widget.heightForWidth(contentWidth) : widget.sizeHint().height();
    };
    int wanted = heightOf(*body_) + 2 * inset;
    for (const QWidget* below : { static_cast<QWidget*>(progress_), static_cast<QWidget*>(result_) }) {
        if (!below->isHidden()) wanted += heightOf(*below) + sectionSpacing;
    }
    wanted += std::max(dismiss_->sizeHint().height(), primary_->sizeHint().height()) + sectionSpacing;
    const QRect room = roomForSheet();
    if (room.isEmpty()) {
        resize(sheetWidth, wanted);
        return;
    }
    const int titleBar = isVisible() ? std::max(frameGeometry().height() - height(), 0) : 0;
    resize(sheetWidth, std::min(wanted, room.height() - titleBar));
    // A sheet that grew past the bottom of its room moves up.
    if (isVisible()) {
        const int overflow = frameGeometry().bottom() - room.bottom();
        if (overflow > 0) move(x(), std::max(room.top(), y() - overflow));
    }
}

QRect ExportOptionsSheet::roomForSheet() const
{
    QRect room = screen() ? screen()->availableGeometry() : QRect();
    if (const QWidget* owner = parentWidget()) {
        const QRect window = owner->window()->frameGeometry();
        room = room.isEmpty() ? window : room.intersected(window);
    }
    return room;
}

bool ExportOptionsSheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == body_ && event->type() == QEvent::LayoutRequest) fitToWindow();
    return QDialog::eventFilter(watched, event);
}

void ExportOptionsSheet::setThumbnails(ThumbnailCache& thumbnails)
{
    progress_->setThumbnails(thumbnails);
}

void ExportOptionsSheet::setKeyFrames(
    std::vector<std::filesystem::path> files, std::function<std::optional<double>(const std::stop_token&)> probe)
{
    model_.setKeyFrames(static_cast<int>(files.size()));
    if (!estimateReader_) estimateReader_ = std::make_unique<UpscaleEstimateReader>(postToMainThread);
    if (uiState_.upscaleSecondsPerTile.get() || probedSecondsPerTile()) probe = nullptr;
    measuring_ = probe != nullptr;
    estimateReader_->start(std::move(files), std::move(probe), [this](const UpscaleEstimateReader::Found& found) {
        model_.setKeyFrameSizes(found.frames);
        if (found.probeEnded) measuring_ = false;
        refresh();
    });
    refresh();
}

std::optional<TileTime> ExportOptionsSheet::tileTime() const
{
    if (const auto measured = uiState_.upscaleSecondsPerTile.get())
        return TileTime { *measured, TileTimeSource::lastExport };
    if (const auto probed = probedSecondsPerTile()) return TileTime { *probed, TileTimeSource::probe };
    return std::nullopt;
}

void ExportOptionsSheet::setMode(WallpaperMode mode)
{
    purpose_->setText(mode == WallpaperMode::appearance
            ? QStringLiteral("A dynamic wallpaper that follows light and dark mode")
            : QStringLiteral("A dynamic wallpaper that follows the sun"));
}

void ExportOptionsSheet::reject()
{
    if (uiState_.isExportingHeic.get()) {
        if (actions_.onCancelExport) actions_.onCancelExport();
        return;
    }
    if (actions_.onCancel) actions_.onCancel();
}

void ExportOptionsSheet::closeEvent(QCloseEvent* event)
{
    // No dismissal by the window's own means while an export runs.
    event->ignore();
    if (!uiState_.isExportingHeic.get()) reject();
}

} // namespace tl::ui
