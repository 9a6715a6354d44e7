#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

namespace kov::qt::test {

// Hands the next modal widget of type W to `act`, which must close it. Dropping the returned
// timer stops the watch.
template <class W>
std::unique_ptr<QTimer> OnNextModal(std::function<void(W*)> act) {
    auto timer = std::make_unique<QTimer>();
    QTimer* raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [raw, act] {
        if (auto* modal = qobject_cast<W*>(QApplication::activeModalWidget())) {
            raw->stop();
            act(modal);
        }
    });
    timer->start(5);
    return timer;
}

struct SeenBox {
    bool seen = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the next message box with `button`, noting what it showed.
inline std::unique_ptr<QTimer> AnswerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
    return OnNextModal<QMessageBox>([button, &seen](QMessageBox* box) {
        seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(button)->click();
    });
}

}  // namespace kov::qt::test
