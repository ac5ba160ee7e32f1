#include "Widget/WidgetWindow.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "Widget/DesktopWindowHints.h"
#include "Widget/OtherWidgetWindows.h"
#include "Widget/WidgetPlacement.h"
#include "Widget/WidgetTimeline.h"
#include "Widget/WidgetView.h"

namespace {

constexpr int screenMargin = 24;  // from the screen's edges, and between the families
// A remembered place counts when at least this much of the window is on some screen.
constexpr int visibleEnough = 40;
// Moves settle before the place is written, so a drag writes once.
constexpr std::chrono::milliseconds rememberDelay{400};

}  // namespace

WidgetWindow::WidgetWindow(WidgetFamily family, Content content)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint),
      family_(family),
      intents_("io.kestrow.v3lk.widgetIntents", Platform::Dispatch::QoS::userInitiated) {
    setWindowTitle(
        QString::fromUtf8(VellumarkWidget::displayName.data(), qsizetype(VellumarkWidget::displayName.size())));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Qt shows tool tips in the active window only, and a window kept below the others is rarely
    // active: its buttons' help would hardly ever come up.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    ProjectRow::IntentHandler perform;
    if (content == Content::live) {
        perform = [this](const WidgetIntent& intent) { intents_.async([intent] { ::perform(intent); }); };
    }
    view_ = new WidgetView(family, perform);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFixedSize(view_->size());

    timeline_ = new WidgetTimeline(
        content == Content::live ? WidgetTimeline::Kind::live : WidgetTimeline::Kind::placeholder,
        [this](const DevProcessEntry& entry) { view_->setEntry(entry); }, this);

    move(initialOrigin());
    DesktopWindowHints::apply(*this);
    move(originOnShow());

    rememberTimer_.setSingleShot(true);
    rememberTimer_.setInterval(rememberDelay);
    connect(&rememberTimer_, &QTimer::timeout, this, [this] { WidgetPlacement::remember(family_, {x(), y()}); });
}

WidgetWindow::~WidgetWindow() {
    if (rememberTimer_.isActive()) WidgetPlacement::remember(family_, {x(), y()});
}

QPoint WidgetWindow::defaultOrigin(WidgetFamily family, const QRect& freeArea) {
    // Down from the top right corner, and in a new column to the left of the last when the next one
    // would reach below the free area.
    int right = freeArea.right() + 1 - screenMargin;
    int top = freeArea.top() + screenMargin;
    int columnWidth = 0;
    for (WidgetFamily placed : WidgetFamilies::supported) {
        const QSize size = WidgetView::sizeFor(placed);
        if (top > freeArea.top() + screenMargin && top + size.height() > freeArea.bottom() + 1 - screenMargin) {
            right -= columnWidth + screenMargin;
            top = freeArea.top() + screenMargin;
            columnWidth = 0;
        }
        if (placed == family) return {right - size.width(), top};
        top += size.height() + screenMargin;
        columnWidth = std::max(columnWidth, size.width());
    }
    return freeArea.topLeft();
}

QPoint WidgetWindow::initialOrigin() const {
    if (const auto origin = WidgetPlacement::remembered(family_)) {
        const QRect placed(QPoint(origin->x, origin->y), size());
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect shown = screen->availableGeometry().intersected(placed);
            if (shown.width() >= visibleEnough && shown.height() >= visibleEnough) return placed.topLeft();
        }
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    return defaultOrigin(family_, primary ? primary->availableGeometry() : QRect(0, 0, 1280, 800));
}

QPoint WidgetWindow::freeOrigin(QPoint place, QSize size, const std::vector<QRect>& taken, const QRect& freeArea) {
    const auto isFree = [&](QPoint origin) {
        const QRect placed(origin, size);
        return std::ranges::none_of(taken, [&](const QRect& other) { return other.intersects(placed); });
    };
    if (isFree(place)) return place;

    const int stepX = size.width() + screenMargin, stepY = size.height() + screenMargin;
    const auto steps = [](int from, int to, int step) { return step > 0 ? (to - from) / step : 0; };
    std::vector<QPoint> spots;
    for (int column = -steps(freeArea.left(), place.x(), stepX);
         column <= steps(place.x() + size.width(), freeArea.right() + 1, stepX); ++column) {
        for (int row = -steps(freeArea.top(), place.y(), stepY);
             row <= steps(place.y() + size.height(), freeArea.bottom() + 1, stepY); ++row) {
            const QPoint spot = place + QPoint(column * stepX, row * stepY);
            if (freeArea.contains(QRect(spot, size))) spots.push_back(spot);
        }
    }
    // Nearest first; of two as near, the lower, then the one further left.
    const auto distance = [&](QPoint spot) { return QPoint::dotProduct(spot - place, spot - place); };
    std::ranges::sort(spots, [&](QPoint a, QPoint b) {
        if (distance(a) != distance(b)) return distance(a) < distance(b);
        if (a.y() != b.y()) return a.y() > b.y();
        return a.x() < b.x();
    });
    if (const auto free = std::ranges::find_if(spots, isFree); free != spots.end()) return *free;

    QPoint spot = place;
    const auto cornerTaken = [&](QPoint corner) {
        return std::ranges::any_of(taken, [&](const QRect& other) { return other.topLeft() == corner; });
    };
    do spot += QPoint(screenMargin, screenMargin);
    while (cornerTaken(spot));
    return spot;
}

QPoint WidgetWindow::originOnShow() {
    const QScreen* screen = QGuiApplication::screenAt(pos() + QPoint(visibleEnough, visibleEnough));
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect freeArea = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    return freeOrigin(pos(), size(), OtherWidgetWindows::places(*this), freeArea);
}

void WidgetWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    // The window manager's own move when it offers one; otherwise the window follows the pointer.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragOffset_ = event->globalPosition().toPoint() - pos();
}

void WidgetWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - *dragOffset_);
}

void WidgetWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragOffset_.reset();
    QWidget::mouseReleaseEvent(event);
}

void WidgetWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) rememberTimer_.start();
}

void WidgetWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Remove Widget"), this, &QWidget::close);
    menu.exec(event->globalPos());
}
