#include "shell/SettingsView.h"

#include "platform/qt/QtText.h"
#include "shell/SettingsPages.h"
#include "ui/common/Symbols.h"

#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tl {
namespace {

constexpr QSize windowSize(500, 350);

const char* tabSymbol(SettingsView::SettingsTab tab)
{
    switch (tab) {
    case SettingsView::SettingsTab::general:
        return "gear";
    case SettingsView::SettingsTab::updates:
        return "arrow.down.circle";
    case SettingsView::SettingsTab::advanced:
        return "wrench.and.screwdriver";
    }
    return "gear";
}

} // namespace

SettingsView::SettingsView(AppSettings& settings, BundleInfo bundle, QWidget* parent)
    : QDialog(parent)
    , tabs_(new QTabWidget(this))
{
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(windowSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(tabs_);
    for (const auto tab : allTabs) {
        QWidget* page = nullptr;
        switch (tab) {
        case SettingsTab::general:
            page = new GeneralSettingsView(bundle, tabs_);
            break;
        case SettingsTab::updates:
            page = new UpdatesSettingsView(settings, tabs_);
            break;
        case SettingsTab::advanced:
            page = new AdvancedSettingsView(settings, tabs_);
            break;
        }
        const std::string_view title = rawValue(tab);
        tabs_->addTab(page, ui::symbolIcon(QString::fromLatin1(tabSymbol(tab))), toQString(title));
    }
}

SettingsView::SettingsTab SettingsView::selectedTab() const
{
    return allTabs[static_cast<std::size_t>(std::max(0, tabs_->currentIndex()))];
}

void SettingsView::selectTab(SettingsTab tab)
{
    tabs_->setCurrentIndex(static_cast<int>(tab));
}

void SettingsView::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) selectTab(SettingsTab::general);
    QDialog::showEvent(event);
}

} // namespace tl
