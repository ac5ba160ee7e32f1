#pragma once
// The welcome window's content: two pages (what Vellumark is; which processes it shows) above a
// page indicator, each page ending in a "Continue" button that Return presses too. The first page's
// button moves to the second page; the second's ends the introduction through `finish`. Switching
// pages is immediate. Main thread only.

#include <QWidget>

#include <functional>

class QPushButton;
class QStackedWidget;

class OnboardingView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 480;
    static constexpr int height = 460;

    explicit OnboardingView(std::function<void()> finish, QWidget* parent = nullptr);

    // 0 the welcome page, 1 the how-it-works page.
    int page() const;
    // The shown page's "Continue".
    QPushButton* continueButton() const;

private:
    QWidget* welcomePage();
    QWidget* howItWorksPage();
    void showPage(int page);

    std::function<void()> finish_;
    QStackedWidget* pages_;
    QPushButton* continueButtons_[2] = {};
};
