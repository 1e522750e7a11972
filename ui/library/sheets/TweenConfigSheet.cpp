#include "ui/library/sheets/TweenConfigSheet.h"

#include "ui/common/NumberFormat.h"
#include "ui/common/Typography.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/TweenSheetTexts.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace tl::ui {
namespace {

constexpr int sheetWidth = 400;
constexpr int formWidth = 320;
constexpr int barWidth = 300;
constexpr int fieldWidth = 80;

} // namespace

TweenConfigSheet::TweenConfigSheet(TweenInsertion& insertion, QWidget* parent)
    : QDialog(parent)
    , insertion_(insertion)
    , form_(new QWidget(this))
    , progressPane_(new QWidget(this))
    , field_(new QLineEdit(form_))
    , hint_(makeLabel({}, TextStyle::caption, true, form_))
    , slider_(new QSlider(Qt::Horizontal, form_))
    , summary_(makeLabel({}, TextStyle::caption, true, form_))
    , failure_(makeLabel({}, TextStyle::caption, false, form_))
    , bar_(new QProgressBar(progressPane_))
    , percentage_(makeLabel({}, TextStyle::caption, true, progressPane_))
    , buttons_(new QWidget(this))
    , cancel_(new QPushButton(QStringLiteral("Cancel"), buttons_))
    , generate_(new QPushButton(QStringLiteral("Generate"), buttons_))
{
    setWindowTitle(QStringLiteral("Generate Tween Frames"));
    setFixedWidth(sheetWidth);

    field_->setPlaceholderText(QStringLiteral("Count"));
    field_->setFixedWidth(fieldWidth);
    // Whole numbers only; the count's upper bound is checked as the text changes, with a hint.
    field_->setValidator(new QIntValidator(field_));
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Number of frames:"), form_));
    countRow->addStretch();
    countRow->addWidget(field_);
    hint_->setAlignment(Qt::AlignRight);
    hint_->hide();

    slider_->setRange(sliderMinimumTweenCount, sliderMaximumTweenCount);
    slider_->setSingleStep(1);
    slider_->setPageStep(1);
    summary_->setWordWrap(true);
    failure_->setWordWrap(true);
    failure_->setStyleSheet(QStringLiteral("color: #d70015;"));

    form_->setFixedWidth(formWidth);
    auto* formLayout = new QVBoxLayout(form_);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->setSpacing(16);
    formLayout->addLayout(countRow);
    formLayout->addWidget(hint_);
    formLayout->addWidget(slider_);
    formLayout->addWidget(summary_);
    formLayout->addWidget(failure_);

    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    bar_->setFixedWidth(barWidth);
    bar_->setAccessibleName(QStringLiteral("Generating tweens..."));
    auto* progressLayout = new QVBoxLayout(progressPane_);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->setSpacing(12);
    auto* barLabel = new QLabel(QStringLiteral("Generating tweens..."), progressPane_);
    progressLayout->addWidget(barLabel, 0, Qt::AlignHCenter);
    progressLayout->addWidget(bar_, 0, Qt::AlignHCenter);
    progressLayout->addWidget(percentage_, 0, Qt::AlignHCenter);

    buttons_->setFixedWidth(formWidth);
    auto* buttonRow = new QHBoxLayout(buttons_);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(12);
    buttonRow->addWidget(cancel_);
    buttonRow->addStretch();
    buttonRow->addWidget(generate_);
    generate_->setDefault(true);
    generate_->setAutoDefault(true);
    cancel_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 30);
    layout->setSpacing(24);
    layout->addWidget(
        makeLabel(QStringLiteral("Generate Tween Frames"), TextStyle::headline, false, this), 0, Qt::AlignHCenter);
    layout->addWidget(form_, 0, Qt::AlignHCenter);
    layout->addWidget(progressPane_, 0, Qt::AlignHCenter);
    layout->addWidget(buttons_, 0, Qt::AlignHCenter);

    connect(field_, &QLineEdit::textEdited, this, &TweenConfigSheet::countTyped);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        hint_->clear();
        hint_->hide();
        insertion_.tweenCount = value;
    });
    connect(generate_, &QPushButton::clicked, this, [this] {
        if (!insertion_.isGeneratingTweens.get()) insertion_.startTweenRun();
    });
    connect(cancel_, &QPushButton::clicked, this, &TweenConfigSheet::reject);

    const auto update = [this] { refresh(); };
    observations_.push_back(insertion_.tweenCount.observe(update));
    observations_.push_back(insertion_.isGeneratingTweens.observe(update));
    observations_.push_back(insertion_.tweenProgress.observe(update));
    observations_.push_back(insertion_.isAutoTweenMode.observe(update));
    observations_.push_back(insertion_.failureText.observe(update));
    refresh();
}

TweenConfigSheet::~TweenConfigSheet() = default;

void TweenConfigSheet::countTyped(const QString& text)
{
    const auto entry = readTweenCount(text);
    hint_->setText(entry.hint);
    hint_->setVisible(!entry.hint.isEmpty());
    if (entry.count) insertion_.tweenCount = *entry.count;
}

void TweenConfigSheet::refresh()
{
    const bool generating = insertion_.isGeneratingTweens.get();
    const int count = insertion_.tweenCount.get();
    form_->setVisible(!generating);
    buttons_->setVisible(!generating);
    progressPane_->setVisible(generating);

    // The field shows the count, but a text that reads the same (or is being typed over with a
    // refused value) keeps its cursor.
    if (readTweenCount(field_->text()).count != count && hint_->text().isEmpty())
        field_->setText(QLocale().toString(count));
    {
        // Following the count must never write it back: a typed 50 stays 50.
        const QSignalBlocker blocker(slider_);
        slider_->setValue(tweenSliderPosition(count));
    }
    summary_->setText(tweenSummaryText(count, insertion_.isAutoTweenMode.get()));
    const auto& failure = insertion_.failureText.get();
    failure_->setText(failure ? QString::fromStdString(*failure) : QString());
    failure_->setVisible(failure.has_value());

    const double progress = insertion_.tweenProgress.get();
    bar_->setValue(static_cast<int>(std::clamp(progress, 0.0, 1.0) * 1000));
    percentage_->setText(percentText(progress));
    adjustSize();
}

void TweenConfigSheet::reject()
{
    if (insertion_.isGeneratingTweens.get()) return;
    insertion_.cancel();
    QDialog::reject();
}

void TweenConfigSheet::closeEvent(QCloseEvent* event)
{
    if (insertion_.isGeneratingTweens.get()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace tl::ui
