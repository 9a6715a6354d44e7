#include <QApplication>
#include <QCommandLineParser>
#include <memory>

#include "station/automation_error.h"
#include "station/desktop.h"
#include "station/object_factory.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/qt_clock.h"
#include "ui/qt/qt_settings_store.h"

namespace {

// Until the simulated observatory is wired in, the program runs as on a machine where none of
// the outside programs is installed.
class NoPrograms : public kov::ObjectFactory {
  public:
    std::shared_ptr<kov::AscomTelescope> createAscomTelescope(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::SkyTelescope> createSkyTelescope(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::SkyPlanetarium> createPlanetarium(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::DriverUtil> createDriverUtil(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::DriverChooser> createChooser(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::CcdCamera> createCcdCamera(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::CcdImage> createCcdImage(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
    std::shared_ptr<kov::MaximApplication> createMaximApplication(const std::string& id) override {
        throw kov::CannotCreate(id);
    }
};

class NoDesktop : public kov::Desktop {
  public:
    std::vector<kov::TopLevelWindow> topLevelWindows() override { return {}; }
    void setForegroundWindow(kov::WindowHandle) override {}
    void keyDown(int) override {}
    void keyUp(int) override {}
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kov-sky-mapper"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(KOV_VERSION_MAJOR)
                                            .arg(KOV_VERSION_MINOR)
                                            .arg(KOV_VERSION_PATCH));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the pointing model of a Gemini-controlled telescope mount."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("Simulated observatory scenario to use."),
                                      QStringLiteral("FILE"));
    parser.addOption(scenario);
    parser.process(app);

    kov::qt::QtClock clock;
    kov::qt::QtSettingsStore store;
    NoPrograms objects;
    NoDesktop desktop;

    kov::qt::KOVForm form(store, clock, objects, desktop);
    QObject::connect(&form, &kov::qt::KOVForm::endProgram, &app, [] {
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    });
    form.show();
    return QApplication::exec();
}
