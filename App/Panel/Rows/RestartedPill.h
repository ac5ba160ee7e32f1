#pragma once
// The "restarted" mark a server row shows for a short while after its restart succeeded.

#include "Controls/CapsuleLabel.h"

class RestartedPill : public CapsuleLabel {
    Q_OBJECT
public:
    explicit RestartedPill(QWidget* parent = nullptr);
};
