#pragma once
// The settings' content: two tabs, General and Filters, in a fixed 580 × 560 frame, opening on
// General. The tabs' icons are drawn in the palette's text colour, again whenever the palette
// changes. Main thread only.

#include <QTabWidget>

class AppUpdater;
class FilterSettingsView;
class GeneralSettingsView;

class SettingsView : public QTabWidget {
    Q_OBJECT
public:
    static constexpr int width = 580;
    static constexpr int height = 560;

    explicit SettingsView(AppUpdater& updater, QWidget* parent = nullptr);

    GeneralSettingsView& general() const { return *general_; }
    FilterSettingsView& filters() const { return *filters_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void tintTabIcons();

    GeneralSettingsView* general_;
    FilterSettingsView* filters_;
};
