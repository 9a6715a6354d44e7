#include "ui/qt/observatory_chooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kov::qt {

namespace {

const QString kSerial = QStringLiteral("serial:");

}  // namespace

QStringList SerialPortsById() {
    QStringList ports;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& name : byId.entryList(QDir::System | QDir::Files, QDir::Name)) {
        ports << byId.filePath(name);
    }
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& name : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System, QDir::Name)) {
        ports << dev.filePath(name);
    }
    return ports;
}

ObservatoryChooserDialog::ObservatoryChooserDialog(const ObservatoryChoice& now,
                                                   const QStringList& ports, QWidget* parent)
    : QDialog(parent),
      serial_(new QRadioButton(tr("Serial port"), this)),
      network_(new QRadioButton(tr("Network (Gemini-2 UDP, or TCP to a serial bridge)"), this)),
      port_(new QComboBox(this)),
      baud_(new QComboBox(this)),
      address_(new QLineEdit(this)),
      server_(new QLineEdit(now.indiServer, this)),
      camera_(new QLineEdit(now.camera, this)) {
    setWindowTitle(tr("Choose the Gemini and the camera"));
    serial_->setObjectName(QStringLiteral("GeminiSerial"));
    network_->setObjectName(QStringLiteral("GeminiNetwork"));
    port_->setObjectName(QStringLiteral("GeminiPort"));
    baud_->setObjectName(QStringLiteral("GeminiBaud"));
    address_->setObjectName(QStringLiteral("GeminiAddress"));
    server_->setObjectName(QStringLiteral("IndiServer"));
    camera_->setObjectName(QStringLiteral("IndiCamera"));

    port_->setEditable(true);
    port_->addItems(ports);
    for (const char* rate : {"9600", "19200", "38400", "57600", "115200"}) {
        baud_->addItem(QString::fromLatin1(rate));
    }
    address_->setPlaceholderText(QStringLiteral("udp:192.168.0.111:11110"));

    // The current choice shows in its own field; the other keeps a useful example.
    if (now.gemini.startsWith(kSerial)) {
        QString path = now.gemini.mid(kSerial.size());
        const int at = path.lastIndexOf(QLatin1Char('@'));
        if (at >= 0) {
            baud_->setCurrentText(path.mid(at + 1));
            path.truncate(at);
        }
        port_->setCurrentText(path);
        serial_->setChecked(true);
    } else {
        address_->setText(now.gemini);
        network_->setChecked(true);
    }

    auto* gemini = new QVBoxLayout;
    auto* serialRow = new QHBoxLayout;
    serialRow->addWidget(serial_);
    serialRow->addWidget(port_, 1);
    serialRow->addWidget(baud_);
    gemini->addLayout(serialRow);
    auto* networkRow = new QHBoxLayout;
    networkRow->addWidget(network_);
    networkRow->addWidget(address_, 1);
    gemini->addLayout(networkRow);

    auto* form = new QFormLayout;
    form->addRow(new QLabel(tr("INDI server (host:port):"), this), server_);
    form->addRow(new QLabel(tr("INDI camera (device name):"), this), camera_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ObservatoryChooserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Gemini:"), this));
    layout->addLayout(gemini);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

ObservatoryChoice ObservatoryChooserDialog::choice() const {
    ObservatoryChoice c;
    c.gemini = serial_->isChecked() ? kSerial + port_->currentText().trimmed() + QLatin1Char('@') +
                                          baud_->currentText()
                                    : address_->text().trimmed();
    c.indiServer = server_->text().trimmed();
    c.camera = camera_->text().trimmed();
    return c;
}

void ObservatoryChooserDialog::accept() {
    const ObservatoryChoice c = choice();
    QString problem;
    if (serial_->isChecked() && port_->currentText().trimmed().isEmpty()) {
        problem = tr("Choose the serial port the Gemini is on.");
    } else if (network_->isChecked() && !c.gemini.startsWith(QStringLiteral("udp:")) &&
               !c.gemini.startsWith(QStringLiteral("tcp:"))) {
        problem = tr("Give the Gemini's network address as udp:HOST[:PORT] or tcp:HOST:PORT.");
    } else if (c.indiServer.isEmpty() || c.camera.isEmpty()) {
        problem = tr("Give the INDI server and the name of its camera.");
    }
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    QDialog::accept();
}

std::optional<ObservatoryChoice> ChooseObservatory(const ObservatoryChoice& now, QWidget* parent) {
    ObservatoryChooserDialog dialog(now, SerialPortsById(), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.choice();
}

}  // namespace kov::qt
