#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace kov::qt {

// A message box as Modals records it.
inline QString Box(const QString& title, const QString& text, QMessageBox::Icon icon,
                   QMessageBox::StandardButtons buttons) {
    return QString("%1|%2|%3|%4").arg(title, text).arg(int(icon)).arg(buttons.toInt());
}

// Answers every modal dialog while it lives, each once: a message box with `button` (closed
// when it has no such button), a file dialog with the next of `files` (cancelled by an empty
// name, or when none is left). `seen` gets each box as Box() writes it and each file dialog as
// "title|proposed name|filters".
class Modals {
  public:
    explicit Modals(QMessageBox::StandardButton button = QMessageBox::Ok, QStringList files = {}) {
        QObject::connect(&timer_, &QTimer::timeout, [this, button, files]() mutable {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == last_) {
                return;
            }
            last_ = modal;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen << Box(box->windowTitle(), box->text(), box->icon(), box->standardButtons());
                QAbstractButton* answer = box->button(button);
                answer ? answer->click() : box->done(0);
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                seen << dialog->windowTitle() + "|" +
                            QFileInfo(dialog->selectedFiles().value(0)).fileName() + "|" +
                            dialog->nameFilters().join(";");
                const QString name = files.isEmpty() ? QString() : files.takeFirst();
                if (!name.isEmpty()) {
                    dialog->selectFile(name);
                }
                name.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
            }
        });
        timer_.start(5);
    }

    QStringList seen;

  private:
    QTimer timer_;
    QPointer<QWidget> last_;
};

}  // namespace kov::qt
