#include "sim/scenario.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace kov::sim {

namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& key, const std::string& problem) {
    throw std::runtime_error("scenario: '" + key + "' " + problem);
}

// Walks one JSON object: each known key is handed to its reader, any other key is an error, so a
// misspelt key cannot silently leave the default in place.
class ObjectReader {
  public:
    ObjectReader(const json& object, std::string path) : object_(object), path_(std::move(path)) {
        if (!object_.is_object()) {
            Fail(path_.empty() ? "(top level)" : path_, "must be an object");
        }
    }

    void on(const std::string& key, std::function<void(const json&, const std::string&)> read) {
        readers_[key] = std::move(read);
    }

    void run() const {
        for (const auto& [key, value] : object_.items()) {
            const std::string full = path_.empty() ? key : path_ + "." + key;
            auto it = readers_.find(key);
            if (it == readers_.end()) {
                Fail(full, "is not a scenario key");
            }
            it->second(value, full);
        }
    }

  private:
    const json& object_;
    std::string path_;
    std::map<std::string, std::function<void(const json&, const std::string&)>> readers_;
};

double Number(const json& v, const std::string& key, double low, double high) {
    if (!v.is_number()) {
        Fail(key, "must be a number");
    }
    const double x = v.get<double>();
    if (!std::isfinite(x) || x < low || x > high) {
        std::ostringstream range;
        range << "must lie between " << low << " and " << high;
        Fail(key, range.str());
    }
    return x;
}

// A whole number checked in its own type before any conversion, so 4294967297 cannot come back
// as 1, nor 2147483648 as a negative number.
std::uint64_t Whole(const json& v, const std::string& key, std::uint64_t low, std::uint64_t high,
                    const std::string& problem) {
    if (!v.is_number_integer() || (!v.is_number_unsigned() && v.get<std::int64_t>() < 0)) {
        Fail(key, problem);
    }
    const std::uint64_t x = v.get<std::uint64_t>();
    if (x < low || x > high) {
        Fail(key, problem);
    }
    return x;
}

std::string Text(const json& v, const std::string& key) {
    if (!v.is_string()) {
        Fail(key, "must be a text");
    }
    return v.get<std::string>();
}

auto NumberInto(double& target, double low, double high) {
    return [&target, low, high](const json& v, const std::string& key) {
        target = Number(v, key, low, high);
    };
}

auto TextInto(std::string& target) {
    return [&target](const json& v, const std::string& key) { target = Text(v, key); };
}

auto FlagInto(bool& target) {
    return [&target](const json& v, const std::string& key) {
        if (!v.is_boolean()) {
            Fail(key, "must be true or false");
        }
        target = v.get<bool>();
    };
}

template <typename Item>
void ReadList(const json& v, const std::string& key, std::vector<Item>& out,
              const std::function<Item(const json&, const std::string&)>& readItem) {
    if (!v.is_array()) {
        Fail(key, "must be a list");
    }
    out.clear();
    for (std::size_t i = 0; i < v.size(); ++i) {
        out.push_back(readItem(v[i], key + "[" + std::to_string(i) + "]"));
    }
}

void ReadScenario(const json& root, Scenario& s) {
    ObjectReader top(root, "");
    top.on("seed", [&](const json& v, const std::string& key) {
        s.seed = Whole(v, key, 0, std::numeric_limits<std::uint64_t>::max(),
                       "must be a whole number of 0 or more");
    });
    top.on("site", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("latitude", NumberInto(s.site.latitude, -89.0, 89.0));
        r.on("longitude", NumberInto(s.site.longitude, -180.0, 360.0));
        r.on("horizon", NumberInto(s.horizon, -10.0, 60.0));
        r.on("horizonProfile", [&](const json& x, const std::string& k) {
            ReadList<AltAz>(x, k, s.horizonProfile, [](const json& item, const std::string& ik) {
                AltAz point;
                ObjectReader rr(item, ik);
                // A height without its place, or a place without its height, means nothing.
                for (const char* needed : {"az", "alt"}) {
                    if (item.is_object() && !item.contains(needed)) {
                        Fail(ik, std::string("needs '") + needed + "'");
                    }
                }
                rr.on("az", NumberInto(point.az, 0.0, 360.0));
                rr.on("alt", NumberInto(point.alt, -10.0, 60.0));
                rr.run();
                return point;
            });
        });
        r.on("temperature", NumberInto(s.temperature, -60.0, 50.0));
        r.on("pressure", NumberInto(s.pressure, 300.0, 1100.0));
        r.run();
    });
    top.on("start", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("hourAngle", NumberInto(s.startHourAngle, -12.0, 12.0));
        r.on("dec", NumberInto(s.startDec, -89.0, 89.0));
        r.run();
    });
    top.on("mountErrors", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        constexpr double kLimit = 3600.0;  // a degree: beyond that the image link is lost anyway
        r.on("IH", NumberInto(s.mountErrors.IH, -kLimit, kLimit));
        r.on("ID", NumberInto(s.mountErrors.ID, -kLimit, kLimit));
        r.on("CH", NumberInto(s.mountErrors.CH, -kLimit, kLimit));
        r.on("NP", NumberInto(s.mountErrors.NP, -kLimit, kLimit));
        r.on("MA", NumberInto(s.mountErrors.MA, -kLimit, kLimit));
        r.on("ME", NumberInto(s.mountErrors.ME, -kLimit, kLimit));
        r.run();
    });
    top.on("noise", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("pointing", NumberInto(s.pointingNoise, 0.0, 600.0));
        r.on("solve", NumberInto(s.solveNoise, 0.0, 600.0));
        r.run();
    });
    top.on("slew", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("rate", NumberInto(s.slewRate, 0.01, 100.0));
        r.on("settle", NumberInto(s.settleSeconds, 0.0, 600.0));
        r.on("meridianLimit", NumberInto(s.meridianLimit, 0.0, 30.0));
        r.run();
    });
    top.on("camera", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("pixelScale", NumberInto(s.pixelScale, 0.01, 100.0));
        r.on("rotation", NumberInto(s.cameraRotation, -360.0, 360.0));
        r.on("download", NumberInto(s.downloadSeconds, 0.0, 600.0));
        r.on("temperature", NumberInto(s.ccdTemperature, -60.0, 40.0));
        r.on("temperatureDrift", NumberInto(s.temperatureDrift, -20.0, 20.0));
        r.on("stars", [&](const json& x, const std::string& k) {
            s.starsPerImage = static_cast<int>(Number(x, k, 0.0, 100000.0));
        });
        r.on("width", [&](const json& x, const std::string& k) {
            s.sensorWidth = static_cast<int>(Whole(x, k, 16, 20000, "must be 16 to 20000 pixels"));
        });
        r.on("height", [&](const json& x, const std::string& k) {
            s.sensorHeight = static_cast<int>(Whole(x, k, 16, 20000, "must be 16 to 20000 pixels"));
        });
        r.run();
    });
    top.on("failures", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("rate", NumberInto(s.solveFailureRate, 0.0, 1.0));
        r.on("slewNeverEnds", FlagInto(s.slewNeverEnds));
        r.on("exposureNeverEnds", FlagInto(s.exposureNeverEnds));
        r.on("images", [&](const json& x, const std::string& k) {
            ReadList<int>(x, k, s.failImages, [](const json& item, const std::string& ik) {
                return static_cast<int>(Whole(item, ik, 1, std::numeric_limits<int>::max(),
                                              "must be an image number from 1 to 2147483647"));
            });
        });
        r.on("regions", [&](const json& x, const std::string& k) {
            ReadList<SkyRegion>(x, k, s.failRegions, [](const json& item, const std::string& ik) {
                SkyRegion region;
                ObjectReader rr(item, ik);
                rr.on("ra", NumberInto(region.ra, 0.0, 24.0));
                rr.on("dec", NumberInto(region.dec, -90.0, 90.0));
                rr.on("radius", NumberInto(region.radius, 0.0, 180.0));
                rr.run();
                return region;
            });
        });
        r.on("clouds", [&](const json& x, const std::string& k) {
            ReadList<Cloud>(x, k, s.clouds, [](const json& item, const std::string& ik) {
                Cloud cloud;
                ObjectReader rr(item, ik);
                rr.on("az", NumberInto(cloud.az, 0.0, 360.0));
                rr.on("alt", NumberInto(cloud.alt, -90.0, 90.0));
                rr.on("radius", NumberInto(cloud.radius, 0.0, 180.0));
                rr.on("driftAz", NumberInto(cloud.driftAz, -360.0, 360.0));
                rr.on("driftAlt", NumberInto(cloud.driftAlt, -90.0, 90.0));
                rr.run();
                return cloud;
            });
        });
        r.run();
    });
    top.on("solver", [&](const json& v, const std::string& key) {
        s.solver = Text(v, key);
        if (s.solver != "statistical" && s.solver != "astrometry") {
            Fail(key, "must be \"statistical\" or \"astrometry\"");
        }
    });
    top.on("controller", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("refraction", FlagInto(s.controllerRefraction));
        r.on("commandSeconds", NumberInto(s.commandSeconds, 0.0, 5.0));
        r.run();
    });
    top.on("missingPrograms", [&](const json& v, const std::string& key) {
        ReadList<std::string>(v, key, s.missingPrograms, Text);
    });
    top.on("planetariumWindow", [&](const json& v, const std::string& key) {
        s.planetariumWindowTitle = v.is_null() ? std::string() : Text(v, key);
    });
    top.on("foregroundDenied", FlagInto(s.foregroundDenied));
    top.on("maximDocumentMissing", FlagInto(s.maximDocumentMissing));
    top.on("chooser", TextInto(s.chooserAnswer));
    top.on("driver", [&](const json& v, const std::string& key) {
        ObjectReader r(v, key);
        r.on("id", TextInto(s.driverId));
        r.on("name", TextInto(s.driverName));
        r.run();
    });
    top.run();
}

}  // namespace

Scenario DefaultScenario() {
    return Scenario{};
}

Scenario BuiltInNight() {
    Scenario s = DefaultScenario();
#ifdef KOV_HAVE_SKY
    s.solver = "astrometry";
#endif
    if (const char* chosen = std::getenv("KOV_SIM_SOLVER")) {
        const std::string solver(chosen);
        if (solver == "statistical" || solver == "astrometry") {
            s.solver = solver;
        }
    }
    return s;
}

Scenario ParseScenario(const std::string& jsonText) {
    // The key being read, kept so a number too large for a double (which the JSON library
    // refuses while parsing) can be named like every other mistake.
    std::vector<std::string> keys;
    // The keys seen so far in each open object: a key given twice would silently keep only one
    // of its values, so it is refused.
    std::vector<std::set<std::string>> seen;
    std::optional<std::string> duplicate;
    const json::parser_callback_t track = [&](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start) {
            keys.emplace_back();
            seen.emplace_back();
        } else if (event == json::parse_event_t::object_end && !keys.empty()) {
            keys.pop_back();
            seen.pop_back();
        } else if (event == json::parse_event_t::key && !keys.empty()) {
            keys.back() = parsed.get<std::string>();
            if (!seen.back().insert(keys.back()).second && !duplicate) {
                duplicate.emplace();
                for (const std::string& part : keys) {
                    *duplicate += (duplicate->empty() ? "" : ".") + part;
                }
            }
        }
        return true;
    };
    json root;
    try {
        root = json::parse(jsonText, track);
    } catch (const json::parse_error& e) {
        throw std::runtime_error(std::string("scenario: not valid JSON: ") + e.what());
    } catch (const json::exception& e) {
        std::string key;
        for (const std::string& part : keys) {
            key += (key.empty() ? "" : ".") + part;
        }
        Fail(key.empty() ? "(top level)" : key, std::string("cannot be read: ") + e.what());
    }
    if (duplicate) {
        Fail(*duplicate, "is given twice");
    }
    Scenario s = DefaultScenario();
    ReadScenario(root, s);
    return s;
}

Scenario LoadScenario(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw std::runtime_error("scenario: '" + path +
                                 "' is not a regular file (a folder, a device or a pipe)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("scenario: cannot read file '" + path + "'");
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return ParseScenario(text.str());
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string(e.what()) + " (in '" + path + "')");
    }
}

}  // namespace kov::sim
