#include "ui/desktop/LocationPrompt.h"

#include "platform/NumberText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace tl::ui {

namespace {

std::optional<double> degrees(const QLineEdit* field, double limit)
{
    const auto value = parseDecimal(field->text().trimmed().toStdString());
    if (!value || std::abs(*value) > limit) return std::nullopt;
    return value;
}

} // namespace

LocationPrompt::LocationPrompt(QWidget* parent)
    : QDialog(parent)
    , latitude_(new QLineEdit(this))
    , longitude_(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Location"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("The wallpaper shows each frame when the sun stands where the frame's sun "
                                           "does, which depends on where you are. Enter your location in degrees "
                                           "(north and east are positive)."),
        this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* form = new QFormLayout;
    latitude_->setPlaceholderText(QStringLiteral("52.37"));
    longitude_->setPlaceholderText(QStringLiteral("4.90"));
    form->addRow(QStringLiteral("Latitude:"), latitude_);
    form->addRow(QStringLiteral("Longitude:"), longitude_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto update = [this] { ok_->setEnabled(location().has_value()); };
    connect(latitude_, &QLineEdit::textChanged, this, update);
    connect(longitude_, &QLineEdit::textChanged, this, update);
    update();
}

std::optional<Location> LocationPrompt::location() const
{
    const auto latitude = degrees(latitude_, 90);
    const auto longitude = degrees(longitude_, 180);
    if (!latitude || !longitude) return std::nullopt;
    return Location { *latitude, *longitude };
}

std::optional<Location> LocationPrompt::ask(QWidget* parent)
{
    LocationPrompt prompt(parent);
    if (prompt.exec() != QDialog::Accepted) return std::nullopt;
    return prompt.location();
}

} // namespace tl::ui
