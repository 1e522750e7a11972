#include "ui/inspector/SolarDebugView.h"

#include "ui/common/Typography.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace tl::ui {
namespace {

constexpr int coordinateFieldWidth = 120;

// The sample moment as a short time in the user's locale: the one text here that follows it.
// Qt's C locale keeps the seconds even in its short format, so there it is hours and minutes.
QString shortTime(Date date)
{
    const auto milliseconds = static_cast<qint64>(std::llround(date.secondsSinceUnixEpoch() * 1000));
    const QLocale locale;
    const QString format = locale.language() == QLocale::C ? QStringLiteral("HH:mm")
                                                           : locale.timeFormat(QLocale::ShortFormat);
    return locale.toString(QDateTime::fromMSecsSinceEpoch(milliseconds).time(), format);
}

QLineEdit* coordinateField(const QString& title, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(title);
    field->setAccessibleName(title);
    field->setFixedWidth(coordinateFieldWidth);
    return field;
}

} // namespace

SolarDebugView::SolarDebugView(AppState& appState, std::unique_ptr<LocationProvider> location, QWidget* parent)
    : QWidget(parent)
    , model_(appState, std::move(location))
    , currentLocation_(new QPushButton(QStringLiteral("Use Current Location"), this))
    , manual_(new QCheckBox(QStringLiteral("Manual"), this))
    , manualRow_(new QWidget(this))
    , latitude_(coordinateField(QStringLiteral("Latitude"), manualRow_))
    , longitude_(coordinateField(QStringLiteral("Longitude"), manualRow_))
    , locationLine_(nullptr)
    , sunLine_(nullptr)
    , closestLine_(nullptr)
    , errorLine_(nullptr)
    , refresh_(new QPushButton(QStringLiteral("Refresh"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(makeLabel(QStringLiteral("Sun Preview"), TextStyle::headline, false, this));

    auto* sourceRow = new QHBoxLayout;
    sourceRow->setSpacing(8);
    sourceRow->addWidget(currentLocation_);
    sourceRow->addWidget(manual_);
    sourceRow->addStretch(1);
    layout->addLayout(sourceRow);

    auto* fields = new QHBoxLayout(manualRow_);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setSpacing(12);
    fields->addWidget(latitude_);
    fields->addWidget(longitude_);
    fields->addStretch(1);
    layout->addWidget(manualRow_);

    locationLine_ = addLine();
    sunLine_ = addLine();
    closestLine_ = addLine();
    errorLine_ = addLine();
    // A Return typed into a coordinate must not press a button of the window.
    for (auto* button : { currentLocation_, refresh_ })
        button->setAutoDefault(false);
    layout->addWidget(refresh_, 0, Qt::AlignLeft);

    connect(currentLocation_, &QPushButton::clicked, this, [this] { model_.requestLocation(); });
    connect(manual_, &QCheckBox::clicked, this, [this](bool on) { model_.setUseManualLocation(on); });
    connect(latitude_, &QLineEdit::textEdited, this,
        [this](const QString& text) { model_.setManualLatitude(text.toStdString()); });
    connect(longitude_, &QLineEdit::textEdited, this,
        [this](const QString& text) { model_.setManualLongitude(text.toStdString()); });
    connect(refresh_, &QPushButton::clicked, this, [this] { model_.refreshSampleDate(); });
    observation_ = model_.observe([this] { refresh(); });
    refresh();
}

QLabel* SolarDebugView::addLine()
{
    auto* line = makeLabel(QString(), TextStyle::caption, true, this);
    line->setWordWrap(true);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout()->addWidget(line);
    return line;
}

void SolarDebugView::showEvent(QShowEvent* event)
{
    model_.refreshSampleDate();
    QWidget::showEvent(event);
}

void SolarDebugView::refresh()
{
    currentLocation_->setEnabled(!model_.isUpdating());
    manualRow_->setVisible(model_.useManualLocation());
    locationLine_->setText(model_.locationLine());
    const auto show = [](QLabel* label, const std::optional<QString>& text) {
        label->setVisible(text.has_value());
        label->setText(text.value_or(QString()));
    };
    show(sunLine_, model_.sunLine(shortTime(model_.sampleDate())));
    show(closestLine_, model_.closestFrameLine());
    show(errorLine_, model_.errorLine());
}

} // namespace tl::ui
