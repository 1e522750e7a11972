#include "shell/SettingsDialog.h"

#include "app/AppSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tl {

SettingsDialog::SettingsDialog(AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , channel_(new QComboBox(this))
    , useCustomServer_(new QCheckBox(QStringLiteral("Use custom server"), this))
    , customServerURL_(new QLineEdit(this))
    , currentServer_(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Settings"));
    channel_->addItem(QStringLiteral("Stable"));
    channel_->addItem(QStringLiteral("Beta"));
    customServerURL_->setPlaceholderText(QStringLiteral("https://"));
    currentServer_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* updates = new QGroupBox(QStringLiteral("Updates"), this);
    auto* updatesForm = new QFormLayout(updates);
    updatesForm->addRow(QStringLiteral("Update channel:"), channel_);

    auto* advanced = new QGroupBox(QStringLiteral("Advanced"), this);
    auto* advancedForm = new QFormLayout(advanced);
    advancedForm->addRow(useCustomServer_);
    advancedForm->addRow(QStringLiteral("Server address:"), customServerURL_);
    advancedForm->addRow(QStringLiteral("Current server:"), currentServer_);
    auto* reset = new QPushButton(QStringLiteral("Reset to Defaults"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(updates);
    layout->addWidget(advanced);
    layout->addWidget(reset, 0, Qt::AlignRight);

    connect(channel_, &QComboBox::activated, this,
        [this](int index) { settings_.updateChannel = index == 1 ? UpdateChannel::beta : UpdateChannel::stable; });
    connect(useCustomServer_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != settings_.useCustomServer.get()) settings_.useCustomServer = on;
    });
    connect(customServerURL_, &QLineEdit::textEdited, this,
        [this](const QString& text) { settings_.customServerURL = text.toStdString(); });
    connect(reset, &QPushButton::clicked, this, [this] { settings_.resetToDefaults(); });

    const auto update = [this] { refresh(); };
    observations_.push_back(settings_.updateChannel.observe(update));
    observations_.push_back(settings_.useCustomServer.observe(update));
    observations_.push_back(settings_.customServerURL.observe(update));
    refresh();
}

void SettingsDialog::refresh()
{
    channel_->setCurrentIndex(settings_.updateChannel.get() == UpdateChannel::beta ? 1 : 0);
    useCustomServer_->setChecked(settings_.useCustomServer.get());
    const QString address = QString::fromStdString(settings_.customServerURL.get());
    if (customServerURL_->text() != address) customServerURL_->setText(address);
    customServerURL_->setEnabled(settings_.useCustomServer.get());
    currentServer_->setText(QString::fromStdString(settings_.serverURL()));
}

} // namespace tl
