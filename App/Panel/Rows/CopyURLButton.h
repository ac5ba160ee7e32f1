#pragma once
// A row's copy button: puts "http://localhost:<port>" on the clipboard and says "Copied!" (in the
// alive colour) for 1.2 s. Each press schedules its own reset, so a second press within the 1.2 s
// does not extend the first one's. Main thread only.

#include "App/Panel/Controls/IconButton.h"

class CopyURLButton : public IconButton {
    Q_OBJECT
public:
    static constexpr int copiedMilliseconds = 1200;

    explicit CopyURLButton(int port, QWidget* parent = nullptr);

    void setPort(int port);
    int port() const { return port_; }
    bool isCopied() const { return copied_; }

    Tint currentTint() const override;

private:
    void copy();
    void setCopied(bool copied);
    void updateHelp();

    int port_;
    bool copied_ = false;
};
