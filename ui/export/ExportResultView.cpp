#include "ui/export/ExportResultView.h"

#include "ui/common/Typography.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tl::ui {

ExportResultView::ExportResultView(QWidget* parent, FolderOpener openFolder)
    : QWidget(parent)
    , openFolder_(openFolder ? std::move(openFolder) : [](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , message_(makeLabel({}, TextStyle::caption, true, this))
    , fileRow_(new QWidget(this))
    , fileButtons_(new QHBoxLayout)
    , path_(makeLabel({}, TextStyle::caption, true, fileRow_))
    , showInFolder_(new QPushButton(QStringLiteral("Show in Folder"), fileRow_))
{
    message_->setWordWrap(true);
    path_->setWordWrap(true);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showInFolder_->setAutoDefault(false);
    fileButtons_->setContentsMargins(0, 0, 0, 0);
    fileButtons_->addWidget(showInFolder_);
    auto* row = new QHBoxLayout(fileRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(path_, 1);
    row->addLayout(fileButtons_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(message_);
    layout->addWidget(fileRow_);
    connect(showInFolder_, &QPushButton::clicked, this, [this] {
        if (file_) openFolder_(QUrl::fromLocalFile(QString::fromStdString(file_->parent_path().string())));
    });
}

void ExportResultView::show(const std::string& message, const std::optional<std::filesystem::path>& writtenFile)
{
    file_ = writtenFile;
    setVisible(!message.empty());
    message_->setText(QString::fromStdString(message));
    fileRow_->setVisible(writtenFile.has_value());
    path_->setText(writtenFile ? QString::fromStdString(writtenFile->string()) : QString());
}

void ExportResultView::addFileButton(QPushButton* button)
{
    button->setParent(fileRow_);
    button->setAutoDefault(false);
    fileButtons_->addWidget(button);
}

} // namespace tl::ui
