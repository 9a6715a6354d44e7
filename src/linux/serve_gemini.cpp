#include "linux/serve_gemini.h"

#include <signal.h>

#include <exception>

#include "linux/gemini_server.h"
#include "linux/wall_clock.h"
#include "sim/gemini_wire.h"
#include "sim/observatory.h"
#include "sim/scenario.h"

namespace kov::gemini {

int ServeGemini(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    std::string endpoint;
    std::string scenarioPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--serve-gemini" && hasValue) {
            endpoint = args[++i];
        } else if (args[i] == "--scenario" && hasValue) {
            scenarioPath = args[++i];
        } else {
            std::fprintf(err,
                         "kov-sky-mapper: --serve-gemini takes udp:HOST:PORT, tcp:HOST:PORT or "
                         "pty, and optionally --scenario FILE; \"%s\" is not one of them\n",
                         args[i].c_str());
            return 2;
        }
    }
    try {
        sim::Scenario scenario =
            scenarioPath.empty() ? sim::DefaultScenario() : sim::LoadScenario(scenarioPath);
        WallClock clock;
        sim::Observatory observatory(std::move(scenario), clock);
        sim::GeminiWire wire(observatory);
        // Ctrl+C and a termination request are taken by this thread alone, as a wait ends.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        GeminiServer server(endpoint, [&](const std::string& c) { return wire.answer(c); });
        std::fprintf(out, "Serving the simulated Gemini on %s (Ctrl+C ends)\n",
                     server.address().c_str());
        std::fflush(out);
        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::fprintf(out, "Stopped serving the simulated Gemini\n");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(err, "kov-sky-mapper: cannot serve the simulated Gemini on %s: %s\n",
                     endpoint.c_str(), e.what());
        return 1;
    }
}

}  // namespace kov::gemini
