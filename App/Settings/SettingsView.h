#pragma once
// The settings' content: two tabs, General and Filters, in a fixed 580 × 560 frame, opening on
// General. Main thread only.

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

private:
    GeneralSettingsView* general_;
    FilterSettingsView* filters_;
};
