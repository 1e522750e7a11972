#include "ui/library/ImportProgressPane.h"

#include "ui/common/Typography.h"
#include "ui/library/ImageImporter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace tl::ui {

ImportProgressPane::ImportProgressPane(ImageImporter& importer, QWidget* parent)
    : QWidget(parent)
    , importer_(importer)
    , text_(makeLabel({}, TextStyle::callout, true, this))
    , bar_(new QProgressBar(this))
    , cancel_(new QPushButton(QStringLiteral("Cancel"), this))
{
    bar_->setTextVisible(false);
    cancel_->setAutoDefault(false);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(12);
    row->addWidget(text_);
    row->addWidget(bar_, 1);
    row->addWidget(cancel_);
    hide();

    delay_.setSingleShot(true);
    delay_.setInterval(showDelayMs);
    connect(&delay_, &QTimer::timeout, this, [this] { setVisible(importer_.progress.get().has_value()); });
    connect(cancel_, &QPushButton::clicked, this, [this] { importer_.cancel(); });
    observation_ = importer_.progress.observe([this] { update(); });
}

void ImportProgressPane::update()
{
    const auto& progress = importer_.progress.get();
    if (!progress) {
        delay_.stop();
        hide();
        return;
    }
    text_->setText(QStringLiteral("Importing images: %1 of %2 decoded").arg(progress->decoded).arg(progress->total));
    bar_->setRange(0, std::max(1, progress->total));
    bar_->setValue(progress->decoded);
    if (isHidden() && !delay_.isActive()) delay_.start();
}

QMessageBox* showSkippedFilesAlert(QWidget& window, const std::vector<SkippedFile>& files)
{
    QStringList lines;
    for (const auto& skipped : files) {
        lines.push_back(QString::fromStdString(skipped.file.filename().string()) + QStringLiteral(": ")
            + QString::fromStdString(skipped.reason));
    }
    const QString message = files.size() == 1 ? QStringLiteral("1 file was not imported.")
                                              : QStringLiteral("%1 files were not imported.").arg(files.size());
    auto* alert
        = new QMessageBox(QMessageBox::Warning, QStringLiteral("Import Images"), message, QMessageBox::Ok, &window);
    alert->setInformativeText(lines.join(QLatin1Char('\n')));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
    return alert;
}

} // namespace tl::ui
