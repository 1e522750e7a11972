#include "ui/generation/CreateWallpaperSheet.h"

#include "generation/GenerationServices.h"
#include "platform/Dialogs.h"
#include "platform/UserFolders.h"
#include "platform/qt/EventLoop.h"
#include "platform/qt/QtText.h"
#include "ui/common/ChildLifetime.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/generation/ImageWell.h"
#include "ui/generation/MoodWidgets.h"
#include "ui/generation/ProgressCard.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/ServerAddress.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

using namespace create_sheet;

// A row of checkable buttons standing in for a segmented control.
template <class Values> QButtonGroup* segments(const Values& values, QWidget* parent, QHBoxLayout*& row)
{
    auto* group = new QButtonGroup(parent);
    row = new QHBoxLayout;
    row->setSpacing(0);
    int id = 0;
    for (const auto value : values) {
        auto* button = new QPushButton(toQString(label(value)), parent);
        button->setCheckable(true);
        group->addButton(button, id++);
        row->addWidget(button);
    }
    return group;
}

} // namespace

CreateWallpaperSheet::CreateWallpaperSheet(CreateWallpaperServices services, std::string model, QWidget* parent)
    : QDialog(parent)
{
    model_ = std::make_unique<CreateWallpaperModel>(
        std::move(services), [this] { QDialog::accept(); }, std::move(model));
    setWindowTitle(QStringLiteral("Create Dynamic Wallpaper"));
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(28, 28, 28, 28);
    root->setSpacing(24);
    form_ = buildForm();
    form_->installEventFilter(this);
    root->addWidget(form_, 0, Qt::AlignTop);
    root->addWidget(buildPreview(), 1);
    setMinimumWidth(860);

    observation_ = model_->observe([this] { refresh(); });
    model_->restoreLastSettings();
    refresh();
    // Typing goes to the prompt, not to the mode buttons that come first in the tab order.
    prompt_->setFocus();
}

CreateWallpaperSheet::~CreateWallpaperSheet()
{
    observation_.cancel();
    // The model's run must stop before the widgets it reports into go.
    model_.reset();
    deleteChildrenFirst(*this);
}

QWidget* CreateWallpaperSheet::buildForm()
{
    auto* form = new QWidget(this);
    form->setFixedWidth(360);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(20);

    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    header->addWidget(makeLabel(QStringLiteral("Create Dynamic Wallpaper"), TextStyle::title2, false, form));
    auto* subtitle
        = makeLabel(QStringLiteral("Enter a prompt, then preview your new time-of-day sequence as it builds."),
            TextStyle::subheadline, true, form);
    subtitle->setWordWrap(true);
    header->addWidget(subtitle);
    column->addLayout(header);

    QHBoxLayout* modeRow = nullptr;
    modes_ = segments(allGenerationModes, form, modeRow);
    column->addLayout(modeRow);
    connect(modes_, &QButtonGroup::idClicked, this,
        [this](int id) { model_->setMode(allGenerationModes[static_cast<std::size_t>(id)]); });

    well_ = new ImageWell({ .onPick = [this] { model_->chooseStartingImage(); },
                              .onClear = [this] { model_->clearStartingImage(); },
                              .onDropData =
                                  [this](DroppedImage dropped) {
                                      model_->acceptDroppedImage(std::move(dropped.data), std::move(dropped.url));
                                  } },
        form);
    column->addWidget(well_);

    auto* promptBlock = new QVBoxLayout;
    promptBlock->setSpacing(8);
    promptHeading_ = makeSectionHeading({}, form);
    promptBlock->addWidget(promptHeading_);
    prompt_ = new MoodField(QStringLiteral("A quiet alpine lake, soft fog, cinematic light"), form);
    connect(prompt_, &QPlainTextEdit::textChanged, this,
        [this] { model_->setPrompt(prompt_->toPlainText().toStdString()); });
    promptBlock->addWidget(prompt_);
    promptBlock->addWidget(new MoodChips(
        moodSuggestions, [this](std::string_view suggestion) { model_->appendMoodSuggestion(suggestion); }, form));
    column->addLayout(promptBlock);

    auto* smoothBlock = new QVBoxLayout;
    smoothBlock->setSpacing(8);
    smoothBlock->addWidget(makeSectionHeading(QStringLiteral("Transition smoothness"), form));
    QHBoxLayout* smoothRow = nullptr;
    smoothness_ = segments(allSmoothnessPresets, form, smoothRow);
    smoothBlock->addLayout(smoothRow);
    connect(smoothness_, &QButtonGroup::idClicked, this,
        [this](int id) { model_->setSmoothness(allSmoothnessPresets[static_cast<std::size_t>(id)]); });
    column->addLayout(smoothBlock);

    advancedToggle_ = new QToolButton(form);
    advancedToggle_->setText(QStringLiteral("Advanced"));
    advancedToggle_->setCheckable(true);
    advancedToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    advancedToggle_->setAutoRaise(true);
    connect(advancedToggle_, &QToolButton::toggled, this, [this](bool open) { model_->setShowAdvanced(open); });
    column->addWidget(advancedToggle_);

    advanced_ = new QWidget(form);
    auto* advancedColumn = new QVBoxLayout(advanced_);
    advancedColumn->setContentsMargins(0, 4, 0, 0);
    advancedColumn->setSpacing(12);
    auto* sizeBlock = new QVBoxLayout;
    sizeBlock->setSpacing(6);
    sizeBlock->addWidget(makeSectionHeading(QStringLiteral("Size"), advanced_));
    size_ = new QComboBox(advanced_);
    size_->setAccessibleName(QStringLiteral("Size"));
    for (const auto& option : sizeOptions)
        size_->addItem(toQString(option.label), toQString(option.value));
    connect(size_, &QComboBox::activated, this,
        [this](int index) { model_->setSize(size_->itemData(index).toString().toStdString()); });
    sizeBlock->addWidget(size_);
    auto* sizeNote = makeLabel(QStringLiteral("Uses Apple wallpaper aspect ratios (16:9, 16:10) plus common presets."),
        TextStyle::caption, true, advanced_);
    sizeNote->setWordWrap(true);
    sizeBlock->addWidget(sizeNote);
    advancedColumn->addLayout(sizeBlock);
    auto* stepperRow = new QHBoxLayout;
    tweensLabel_ = makeSectionHeading({}, advanced_);
    stepperRow->addWidget(tweensLabel_);
    stepperRow->addStretch();
    tweens_ = new QSpinBox(advanced_);
    tweens_->setRange(minTweenCount, maxTweenCount);
    tweens_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    connect(tweens_, &QSpinBox::valueChanged, this, [this](int value) { model_->setTweenCount(value); });
    stepperRow->addWidget(tweens_);
    advancedColumn->addLayout(stepperRow);
    column->addWidget(advanced_);

    keyWarning_
        = makeLabel(QStringLiteral("Set OPENAI_API_KEY or GEMINI_API_KEY in your environment to enable generation."),
            TextStyle::caption, true, form);
    keyWarning_->setWordWrap(true);
    column->addWidget(keyWarning_);

    auto* buttons = new QHBoxLayout;
    closeButton_ = new QPushButton(form);
    closeButton_->setAutoDefault(false);
    connect(closeButton_, &QPushButton::clicked, this, [this] { model_->cancelOrClose(); });
    buttons->addWidget(closeButton_);
    buttons->addStretch();
    createButton_ = new QPushButton(symbolIcon(QStringLiteral("sparkles")), QStringLiteral("Create Wallpaper"), form);
    createButton_->setDefault(true);
    connect(createButton_, &QPushButton::clicked, this, [this] { model_->startGeneration(); });
    buttons->addWidget(createButton_);
    column->addLayout(buttons);
    column->addStretch();
    return form;
}

QWidget* CreateWallpaperSheet::buildPreview()
{
    auto* side = new QWidget(this);
    side->setMinimumWidth(420);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(makeSectionHeading(QStringLiteral("Preview"), side));

    preview_ = new PreviewBox(side);
    auto* overlay = new QGridLayout(preview_);
    overlayCard_ = new ProgressCard(preview_);
    overlay->addWidget(overlayCard_, 0, 0, Qt::AlignCenter);
    column->addWidget(preview_, 1);

    belowCard_ = new ProgressCard(side);
    column->addSpacing(8);
    column->addWidget(belowCard_);
    return side;
}

void CreateWallpaperSheet::refresh()
{
    const auto& form = model_->form();
    const auto& status = model_->status();

    const QSignalBlocker blockModes(modes_);
    modes_->button(static_cast<int>(form.mode))->setChecked(true);
    const bool relight = form.mode == GenerationMode::relight;
    well_->setVisible(relight);
    well_->setImage(form.startingPicture, form.startingImageData.has_value(),
        form.startingImageURL ? std::optional<std::string>(form.startingImageURL->filename().string()) : std::nullopt);
    promptHeading_->setText(relight ? QStringLiteral("Prompt (optional)") : QStringLiteral("Prompt"));
    {
        const QSignalBlocker blockPrompt(prompt_);
        prompt_->showText(form.prompt);
    }

    const QSignalBlocker blockSmoothness(smoothness_);
    smoothness_->button(static_cast<int>(form.smoothness))->setChecked(true);
    {
        const QSignalBlocker blockToggle(advancedToggle_);
        advancedToggle_->setChecked(form.showAdvanced);
        advancedToggle_->setArrowType(form.showAdvanced ? Qt::DownArrow : Qt::RightArrow);
    }
    advanced_->setVisible(form.showAdvanced);
    {
        const QSignalBlocker blockSize(size_);
        // A size that is none of the rows leaves the menu without a selection.
        size_->setCurrentIndex(size_->findData(QString::fromStdString(form.size)));
        const QSignalBlocker blockTweens(tweens_);
        tweens_->setValue(form.tweenCount);
    }
    tweensLabel_->setText(QStringLiteral("Exact tweens: %1").arg(form.tweenCount));
    keyWarning_->setVisible(model_->showsMissingKeyWarning());

    closeButton_->setText(status.isGenerating ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    createButton_->setEnabled(model_->canGenerate());

    preview_->setImage(model_->previewImage());
    const auto phaseLabel = model_->currentPhaseLabel();
    overlayCard_->showStatus(status, phaseLabel);
    belowCard_->showStatus(status, phaseLabel);
    // A cancelled or failed run leaves its end on the card until the next start; before the first
    // start the status line is empty.
    const bool showsCard = status.isGenerating || !status.progressMessage.empty();
    overlayCard_->setVisible(showsCard && !preview_->hasImage());
    belowCard_->setVisible(showsCard && preview_->hasImage());

    if (status.errorMessage && !alertShown_) showFailureAlert();
}

void CreateWallpaperSheet::showFailureAlert()
{
    alertShown_ = true;
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Generation Failed"),
        QString::fromStdString(model_->status().errorMessage.value_or("Unknown error")), QMessageBox::NoButton, this);
    alert->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    connect(alert, &QMessageBox::finished, this, [this] {
        alertShown_ = false;
        model_->dismissError();
    });
    alert->open();
}

void CreateWallpaperSheet::reject()
{
    model_->cancelOrClose();
}

void CreateWallpaperSheet::closeEvent(QCloseEvent* event)
{
    event->ignore();
    model_->cancelOrClose();
}

bool CreateWallpaperSheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == form_ && event->type() == QEvent::LayoutRequest) fitFormHeight();
    return QDialog::eventFilter(watched, event);
}

// The form's wrapped captions make its height depend on its width, which a dialog's minimum
// size leaves out; without this the sheet opened too short and squeezed the image well's button
// over its caption. The form's width is fixed, so its height for that width is all it needs.
void CreateWallpaperSheet::fitFormHeight()
{
    const auto margins = layout()->contentsMargins();
    setMinimumHeight(form_->heightForWidth(form_->width()) + margins.top() + margins.bottom());
}

QDialog* makeCreateWallpaperSheet(LibraryContext& context, QWidget* parent)
{
    auto& generation = context.generation;
    CreateWallpaperServices services {
        .appState = context.appState,
        .imageService = *generation.providers,
        .server = generation.server,
        .serverURL = serverAddress(generation),
        .chooseImageFile
        = [dialogs = context.dialogs] { return dialogs ? dialogs->runOpenImagePanel(std::nullopt) : std::nullopt; },
        .userDataFolder = [&environment = generation.environment] { return userDataFolder(environment); },
        .poster = postToMainThread,
    };
    return new CreateWallpaperSheet(std::move(services), std::string(defaultModel), parent);
}

} // namespace tl::ui
