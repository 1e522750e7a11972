#include "shell/SettingsPages.h"

#include "app/AppSettings.h"
#include "ui/common/PaintedIcon.h"
#include "ui/common/Typography.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tl {
namespace {

using ui::makeDivider;
using ui::makeLabel;
using ui::TextStyle;

constexpr int rowLabelWidth = 100;

// One tab's form: a stack with the default margins.
QVBoxLayout* pageStack(QWidget* page, int spacing)
{
    auto* stack = new QVBoxLayout(page);
    stack->setSpacing(spacing);
    return stack;
}

QLabel* rowLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedWidth(rowLabelWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

QString bundleText(const std::optional<std::string>& value)
{
    return value ? QString::fromStdString(*value) : QStringLiteral("Unknown");
}

GeneralSettingsView::GeneralSettingsView(const BundleInfo& bundle, QWidget* parent)
    : QWidget(parent)
{
    auto* stack = pageStack(this, 12);
    stack->addWidget(makeLabel(QStringLiteral("Application Settings"), TextStyle::headline, false, this));
    auto* about = makeLabel(QStringLiteral("Tidelumine creates dynamic wallpapers for macOS using solar position data "
                                           "and AI-generated images."),
        TextStyle::caption, true, this);
    about->setWordWrap(true);
    stack->addWidget(about);
    stack->addWidget(makeDivider(Qt::Horizontal, this));
    for (const auto& [title, value] : { std::pair { QStringLiteral("Version:"), bundleText(bundle.shortVersion) },
             std::pair { QStringLiteral("Build:"), bundleText(bundle.buildNumber) } }) {
        auto* row = new QHBoxLayout;
        row->addWidget(rowLabel(title, this));
        row->addWidget(makeLabel(value, TextStyle::body, true, this), 1);
        stack->addLayout(row);
    }
    stack->addStretch(1);
}

UpdatesSettingsView::UpdatesSettingsView(AppSettings& settings, QWidget* parent)
    : QWidget(parent)
    , settings_(settings)
    , channels_(new QButtonGroup(this))
{
    auto* stack = pageStack(this, 16);
    stack->addWidget(makeLabel(QStringLiteral("Update Channel"), TextStyle::headline, false, this));
    auto* picker = new QHBoxLayout;
    picker->addWidget(new QLabel(QStringLiteral("Channel:"), this), 0, Qt::AlignTop);
    auto* options = new QVBoxLayout;
    for (const auto& [channel, title, description] : {
             std::tuple { UpdateChannel::stable, QStringLiteral("Stable"),
                 QStringLiteral("Receive stable, production-ready updates") },
             std::tuple { UpdateChannel::beta, QStringLiteral("Beta"),
                 QStringLiteral("Early access to new features (may be unstable)") },
         }) {
        auto* option = new QRadioButton(title, this);
        channels_->addButton(option, static_cast<int>(channel));
        options->addWidget(option);
        auto* note = makeLabel(description, TextStyle::caption, true, this);
        note->setIndent(22);
        options->addWidget(note);
    }
    picker->addLayout(options, 1);
    stack->addLayout(picker);
    auto* advice = makeLabel(QStringLiteral("Choose how frequently you want to receive updates. Beta releases may "
                                            "contain new features but could be less stable."),
        TextStyle::caption, true, this);
    advice->setWordWrap(true);
    stack->addWidget(advice);
    stack->addStretch(1);

    // Only a click on an option writes; the store ignores the channel already set.
    connect(channels_, &QButtonGroup::idClicked, this,
        [this](int id) { settings_.updateChannel = static_cast<UpdateChannel>(id); });
    observation_ = settings_.updateChannel.observe([this] { refresh(); });
    refresh();
}

void UpdatesSettingsView::refresh()
{
    const QSignalBlocker quiet(channels_);
    channels_->button(static_cast<int>(settings_.updateChannel.get()))->setChecked(true);
}

AdvancedSettingsView::AdvancedSettingsView(AppSettings& settings, QWidget* parent)
    : QWidget(parent)
    , settings_(settings)
    , useCustomServer_(new QCheckBox(QStringLiteral("Use custom server"), this))
    , customRows_(new QWidget(this))
    , serverURL_(new QLineEdit(customRows_))
    , currentServer_(makeLabel(QString(), TextStyle::caption, true, this))
    , reset_(new QPushButton(QStringLiteral("Reset to Defaults"), this))
{
    auto* stack = pageStack(this, 16);
    stack->addWidget(makeLabel(QStringLiteral("Server Configuration"), TextStyle::headline, false, this));
    stack->addWidget(useCustomServer_);

    auto* rows = new QVBoxLayout(customRows_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(16);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(rowLabel(QStringLiteral("Server URL:"), customRows_));
    serverURL_->setPlaceholderText(QStringLiteral("https://..."));
    addressRow->addWidget(serverURL_, 1);
    rows->addLayout(addressRow);
    auto* warning = new QLabel(QStringLiteral("Warning: Only change this if you know what you're doing. Invalid URLs "
                                              "may cause the app to malfunction."),
        customRows_);
    warning->setFont(ui::styledFont(TextStyle::caption));
    warning->setStyleSheet(QStringLiteral("color: orange;"));
    warning->setWordWrap(true);
    rows->addWidget(warning);
    stack->addWidget(customRows_);
    stack->addWidget(makeDivider(Qt::Horizontal, this));

    auto* current = new QHBoxLayout;
    current->addWidget(makeLabel(QStringLiteral("Current server:"), TextStyle::body, true, this));
    QFont monospace = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    monospace.setPointSizeF(ui::styledFont(TextStyle::caption).pointSizeF());
    currentServer_->setFont(monospace);
    currentServer_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    current->addWidget(currentServer_, 1);
    stack->addLayout(current);
    reset_->setAutoDefault(false);
    stack->addWidget(reset_, 0, Qt::AlignLeft);
    stack->addStretch(1);

    connect(useCustomServer_, &QCheckBox::clicked, this, [this](bool on) { settings_.useCustomServer = on; });
    // Stored keystroke by keystroke, as typed.
    connect(serverURL_, &QLineEdit::textEdited, this,
        [this](const QString& text) { settings_.customServerURL = text.toStdString(); });
    connect(reset_, &QPushButton::clicked, this, [this] { settings_.resetToDefaults(); });
    const auto update = [this] { refresh(); };
    observations_.push_back(settings_.useCustomServer.observe(update));
    observations_.push_back(settings_.customServerURL.observe(update));
    refresh();
}

void AdvancedSettingsView::refresh()
{
    const QSignalBlocker quiet(useCustomServer_);
    useCustomServer_->setChecked(settings_.useCustomServer.get());
    customRows_->setVisible(settings_.useCustomServer.get());
    const QString address = QString::fromStdString(settings_.customServerURL.get());
    // Rewriting the text under the cursor while typing would move the cursor.
    if (serverURL_->text() != address) serverURL_->setText(address);
    currentServer_->setText(QString::fromStdString(settings_.serverURL()));
}

} // namespace tl
