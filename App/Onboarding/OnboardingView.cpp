#include "App/Onboarding/OnboardingView.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "App/Settings/SettingsForm.h"
#include "Look/ApplicationIcon.h"
#include "Look/Brand.h"
#include "Look/BrandWord.h"
#include "Look/Fonts.h"
#include "Look/Theme.h"

namespace {

constexpr int pageCount = 2;

// Centred lines with two extra pixels between them, as rich text.
QString spacedLines(const QString& richText, qreal fontSize) {
    return QStringLiteral("<p align=\"center\" style=\"line-height:%1px\">%2</p>")
        .arg(qRound(fontSize * 1.2 + 2))
        .arg(richText);
}

QLabel* centredText(const QString& richText, qreal size, ThemeColor color) {
    auto* label = new QLabel(spacedLines(richText, size));
    label->setTextFormat(Qt::RichText);
    label->setFont(Fonts::systemFont(size, QFont::Normal));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    SettingsText::setTextColor(*label, color);
    return label;
}

QLabel* title(const QString& text) {
    auto* label = new QLabel(text);
    label->setFont(Fonts::systemFont(15, QFont::DemiBold));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton* largeButton(const QString& text) {
    auto* button = new QPushButton(text);
    button->setFont(Fonts::systemFont(13, QFont::Normal));
    button->setMinimumSize(110, 32);
    button->setDefault(true);
    return button;
}

QVBoxLayout* pageStack(QWidget* page) {
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);
    stack->addStretch(1);
    return stack;
}

// The two panel lines shown as an example, on a faintly tinted rounded card.
class SampleLines : public QWidget {
public:
    SampleLines() {
        auto* lines = new QVBoxLayout(this);
        lines->setContentsMargins(12, 12, 12, 12);
        lines->setSpacing(2);
        for (const char* text : {"localhost:5173  vite      up 2h", "localhost:8000  python3   up 3d"}) {
            auto* line = new QLabel(QString::fromUtf8(text));
            line->setFont(SettingsText::monospaced(11));
            line->setTextFormat(Qt::PlainText);
            lines->addWidget(line);
        }
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor tint = palette().color(QPalette::WindowText);
        tint.setAlphaF(0.06f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }
};

// One dot per page, the current one solid.
class PageDots : public QWidget {
public:
    explicit PageDots(const QStackedWidget& pages) : pages_(pages) {
        setFixedSize(7 * pageCount + 6 * (pageCount - 1), 7 + 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int dot = 0; dot < pageCount; ++dot) {
            QColor color = dot == pages_.currentIndex() ? palette().color(QPalette::WindowText)
                                                        : Theme::color(ThemeColor::secondary, *this);
            if (dot != pages_.currentIndex()) color.setAlphaF(0.35f);
            painter.setBrush(color);
            painter.drawEllipse(QRectF(dot * 13, 0, 7, 7));
        }
    }

private:
    const QStackedWidget& pages_;
};

}  // namespace

OnboardingView::OnboardingView(std::function<void()> finish, QWidget* parent)
    : QWidget(parent), finish_(std::move(finish)), pages_(new QStackedWidget) {
    setFixedSize(width, height);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(40, 40, 40, 40);
    stack->setSpacing(20);
    pages_->addWidget(welcomePage());
    pages_->addWidget(howItWorksPage());
    stack->addWidget(pages_, 1);
    auto* dots = new PageDots(*pages_);
    stack->addWidget(dots, 0, Qt::AlignHCenter);
    connect(pages_, &QStackedWidget::currentChanged, dots, qOverload<>(&QWidget::update));

    // Return presses the shown page's default button wherever the focus is.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                [this] { continueButton()->click(); });
    }
    showPage(0);
}

int OnboardingView::page() const { return pages_->currentIndex(); }

QPushButton* OnboardingView::continueButton() const { return continueButtons_[page()]; }

void OnboardingView::showPage(int page) {
    pages_->setCurrentIndex(page);
    continueButtons_[page]->setFocus();
}

QWidget* OnboardingView::welcomePage() {
    auto* page = new QWidget;
    QVBoxLayout* stack = pageStack(page);
    stack->addWidget(applicationIconView(64), 0, Qt::AlignHCenter);
    stack->addWidget(Brand::wordmark(18), 0, Qt::AlignHCenter);
    stack->addWidget(title(QStringLiteral("Never wonder what’s running again.")));
    stack->addWidget(centredText(
        BrandWord::richText(QStringLiteral("Vellumark lives in your tray and shows every dev server running on your "
                                           "computer, grouped by project, with the port, uptime and CPU that matter."),
                            12),
        12, ThemeColor::secondary));
    continueButtons_[0] = largeButton(QStringLiteral("Continue"));
    connect(continueButtons_[0], &QPushButton::clicked, this, [this] { showPage(1); });
    stack->addWidget(continueButtons_[0], 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return page;
}

QWidget* OnboardingView::howItWorksPage() {
    auto* page = new QWidget;
    QVBoxLayout* stack = pageStack(page);
    stack->addWidget(title(QStringLiteral("Only real servers")));
    stack->addWidget(centredText(
        QStringLiteral("A process appears only when it listens on a local port from one of your project folders. Click "
                       "a port to open it, hit ✕ to stop the whole server tree. Your terminal and editor are never "
                       "touched.")
            .toHtmlEscaped(),
        12, ThemeColor::secondary));
    stack->addWidget(new SampleLines, 0, Qt::AlignHCenter);
    stack->addWidget(
        centredText(QStringLiteral("Too much? Right-click any row to hide it, or tune ports & folders in Settings.")
                        .toHtmlEscaped(),
                    10, ThemeColor::muted));
    continueButtons_[1] = largeButton(QStringLiteral("Continue"));
    connect(continueButtons_[1], &QPushButton::clicked, this, [this] {
        if (finish_) finish_();
    });
    stack->addWidget(continueButtons_[1], 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return page;
}
