#include "linux/linux_programs.h"

#include "model/run_settings.h"

namespace kov::gemini {

namespace {

class NoWindows : public Desktop {
  public:
    std::vector<TopLevelWindow> topLevelWindows() override { return {}; }
    void setForegroundWindow(WindowHandle) override {}
    WindowHandle foregroundWindow() override { return 0; }
    void keyDown(int) override {}
    void keyUp(int) override {}
};

class LinuxPrograms : public Programs {
  public:
    explicit LinuxPrograms(LinuxObservatoryConfig config) : factory_(std::move(config)) {}
    ObjectFactory& factory() override { return factory_; }
    Desktop& desktop() override { return desktop_; }

  private:
    LinuxObjectFactory factory_;
    NoWindows desktop_;
};

}  // namespace

LinuxObservatoryConfig ReadObservatoryConfig(const SettingsStore& store,
                                             std::shared_ptr<ImageSolver> solver) {
    const auto get = [&](const char* key, const char* fallback) {
        const std::string value = store.get(kSettingsApp, kSettingsSection, key, fallback);
        return value.empty() ? std::string(fallback) : value;
    };
    LinuxObservatoryConfig c;
    c.gemini = get(kKeyGeminiLink, kDefaultGeminiLink);
    SetIndiServer(c.camera, get(kKeyIndiServer, kDefaultIndiServer));
    c.camera.device = get(kKeyIndiCamera, kDefaultIndiCamera);
    if (solver) {
        c.solver = std::move(solver);
    }
    return c;
}

void WriteObservatoryParts(SettingsStore& store, const ObservatoryParts& parts) {
    store.set(kSettingsApp, kSettingsSection, kKeyGeminiLink, parts.gemini);
    store.set(kSettingsApp, kSettingsSection, kKeyIndiServer, parts.indiServer);
    store.set(kSettingsApp, kSettingsSection, kKeyIndiCamera, parts.camera);
    store.commit();
}

std::unique_ptr<Programs> MakeLinuxPrograms(LinuxObservatoryConfig config) {
    return std::make_unique<LinuxPrograms>(std::move(config));
}

}  // namespace kov::gemini
