#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <optional>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kov::qt {

// Where the Linux observatory's parts are: the Gemini's link ("udp:HOST[:PORT]",
// "tcp:HOST:PORT" or "serial:PATH[@BAUD]"), the INDI server ("HOST[:PORT]") and its camera.
struct ObservatoryChoice {
    QString gemini;
    QString indiServer;
    QString camera;
};

// The serial ports by their stable names (/dev/serial/by-id), then the plain USB adapters.
QStringList SerialPortsById();

// The chooser on Linux: the Gemini on a serial port (listed by id) or on the network, and the
// INDI server and camera.
class ObservatoryChooserDialog : public QDialog {
    Q_OBJECT
  public:
    ObservatoryChooserDialog(const ObservatoryChoice& now, const QStringList& ports,
                             QWidget* parent = nullptr);
    ObservatoryChoice choice() const;

  private:
    void accept() override;
    QRadioButton* serial_;
    QRadioButton* network_;
    QComboBox* port_;
    QComboBox* baud_;
    QLineEdit* address_;
    QLineEdit* server_;
    QLineEdit* camera_;
};

// Shows the dialog; nothing when the operator cancels.
std::optional<ObservatoryChoice> ChooseObservatory(const ObservatoryChoice& now,
                                                   QWidget* parent = nullptr);

}  // namespace kov::qt
