#include "ui/library/TimelineScrubberView.h"

#include "ui/common/NumberFormat.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/library/CellPainting.h"
#include "ui/library/PlaybackController.h"
#include "ui/library/TimelineListModel.h"
#include "ui/library/TimelineTrack.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

QToolButton* transportButton(const QString& symbol, const QString& help, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(symbolIcon(symbol));
    button->setIconSize(QSize(13, 13));
    button->setToolTip(help);
    // Space belongs to the window's playback action, not to whichever button has focus.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TimelineTrackView::TimelineTrackView(TimelineListModel& model, Observable<double>& previewHour, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , previewHour_(previewHour)
{
    setMinimumHeight(24);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    hourObservation_ = previewHour_.observe([this] { update(); });
    const auto repaint = [this] { update(); };
    connect(&model_, &QAbstractItemModel::modelReset, this, repaint);
    connect(&model_, &QAbstractItemModel::dataChanged, this, repaint);
}

void TimelineTrackView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double width = std::max<double>(this->width(), 1);
    const double height = this->height();

    std::vector<WallpaperImage> images;
    images.reserve(static_cast<std::size_t>(model_.rowCount()));
    for (int row = 0; row < model_.rowCount(); ++row)
        images.push_back(model_.imageAt(row));
    const auto sampled = timeline_track::sampledIndices(images, width);
    const double cellWidth = width / std::max<double>(static_cast<double>(sampled.size()), 1);

    QPainterPath track;
    track.addRoundedRect(QRectF(0, 0, width, height), 4, 4);
    painter.save();
    painter.setClipPath(track);
    for (std::size_t i = 0; i < sampled.size(); ++i) {
        const QRectF cell(static_cast<double>(i) * cellWidth, 0, cellWidth, height);
        const int row = static_cast<int>(sampled[i]);
        drawThumbnail(painter, cell, model_.thumbnail(row), 0);
        if (images[sampled[i]].isTween) drawTweenBadge(painter, cell);
    }
    painter.restore();

    const double x = timeline_track::playheadX(previewHour_.get(), width);
    const QColor accent = accentColor(palette());
    const double knobHeight = std::min(height * 0.25, 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    painter.drawRoundedRect(QRectF(x - 5, 0, 10, knobHeight), 3, 3);
    painter.fillRect(QRectF(x - 1, knobHeight, 2, height - knobHeight), accent);
}

void TimelineTrackView::mousePressEvent(QMouseEvent* event)
{
    scrubTo(event->position().x());
}

void TimelineTrackView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) scrubTo(event->position().x());
}

void TimelineTrackView::scrubTo(double x)
{
    previewHour_ = timeline_track::hourAt(x, width());
}

TimelineScrubberView::TimelineScrubberView(TimelineListModel& model, PlaybackController& playback,
    Observable<double>& previewHour, Observable<bool>& isPlaying, QWidget* parent)
    : QWidget(parent)
    , previewHour_(previewHour)
    , isPlaying_(isPlaying)
    , clock_(makeLabel({}, TextStyle::subheadline, true, this))
    , playPause_(transportButton(QStringLiteral("play.fill"), QStringLiteral("Play"), this))
{
    auto* header = new QHBoxLayout;
    header->addWidget(makeLabel(QStringLiteral("Timeline"), TextStyle::subheadline, true, this));
    header->addStretch();
    header->addWidget(clock_);

    auto* pill = new QWidget(this);
    pill->setObjectName(QStringLiteral("transportPill"));
    pill->setAttribute(Qt::WA_StyledBackground);
    pill->setStyleSheet(QStringLiteral("#transportPill { background: palette(base); border-radius: 6px;"
                                       " border: 0.5px solid rgba(128,128,128,0.35); }"));
    auto* transport = new QHBoxLayout(pill);
    transport->setContentsMargins(12, 6, 12, 6);
    transport->setSpacing(12);
    auto* start = transportButton(QStringLiteral("backward.end.fill"), QStringLiteral("Go to start"), pill);
    auto* end = transportButton(QStringLiteral("forward.end.fill"), QStringLiteral("Go to end"), pill);
    playPause_->setParent(pill);
    transport->addWidget(start);
    transport->addWidget(playPause_);
    transport->addWidget(end);
    connect(start, &QToolButton::clicked, this, [&playback] { playback.jump(0); });
    connect(end, &QToolButton::clicked, this, [&playback] { playback.jump(24); });
    connect(playPause_, &QToolButton::clicked, this, [&playback] { playback.togglePlaying(); });
    auto* pillRow = new QHBoxLayout;
    pillRow->addStretch();
    pillRow->addWidget(pill);
    pillRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    layout->addLayout(header);
    layout->addLayout(pillRow);
    layout->addWidget(new TimelineTrackView(model, previewHour, this), 1);

    observations_.push_back(previewHour_.observe([this] { refresh(); }));
    observations_.push_back(isPlaying_.observe([this] { refresh(); }));
    refresh();
}

void TimelineScrubberView::refresh()
{
    clock_->setText(formatHour(previewHour_.get()));
    const bool playing = isPlaying_.get();
    playPause_->setIcon(symbolIcon(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill")));
    playPause_->setToolTip(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

void TimelineScrubberView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), withOpacity(secondaryColor(palette()), 0.05));
}

} // namespace tl::ui
