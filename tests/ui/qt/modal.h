#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

namespace kov::qt::test {

// What a modal message box showed before the watcher answered it.
struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Waits for the next modal widget of type W and hands it to `act`, which must close it. The
// watcher lives until it has acted, or until the returned handle is dropped.
template <class W>
std::shared_ptr<QTimer> OnNextModal(std::function<void(W*)> act) {
    auto timer = std::make_shared<QTimer>();
    timer->setInterval(5);
    QTimer* raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [raw, act] {
        if (auto* modal = qobject_cast<W*>(QApplication::activeModalWidget())) {
            raw->stop();
            act(modal);
        }
    });
    timer->start();
    return timer;
}

// Answers the next message box with `button` and records what it showed in `seen`.
inline std::shared_ptr<QTimer> AnswerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
    return OnNextModal<QMessageBox>([button, &seen](QMessageBox* box) {
        seen.seen = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        box->button(button)->click();
    });
}

}  // namespace kov::qt::test
