#pragma once
// A widget that records the keys reaching it (modifier keys left out) and lets them go on.

#include <QKeyEvent>
#include <QWidget>

#include <vector>

namespace shortcut_test {

class KeyTarget : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta)
            keys.push_back(key);
        event->ignore();
    }
};

}  // namespace shortcut_test
