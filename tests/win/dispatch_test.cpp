#include "win/dispatch.h"

#include <gtest/gtest.h>

#include "station/object_factory.h"
#include "win/automation_errors.h"
#include "win/served_object.h"
#include "win/win_adapters.h"
#include "win/win_object_factory.h"

namespace kov::win {
namespace {

using namespace test;

std::string Str(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

// Runs an action expected to fail and gives "number: description".
std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const AutomationError& e) {
        return std::to_string(e.number()) + ": " + e.description();
    }
    return "no error";
}

Dispatch Serve(ServedObject& object, const std::string& typeKey = "") {
    return Dispatch(ComPtr<IDispatch>::share(&object), typeKey);
}

class DictionaryTest : public ::testing::Test {
  protected:
    ComApartment apartment_;
};

// Wine's own Scripting.Dictionary, a real in-process automation object. Each row gets a new one
// and gives what it read, or "number: description" of what it raised.
TEST_F(DictionaryTest, CallsByNameAndRaisesNumberedErrors) {
    struct Row {
        const char* name;
        std::function<std::string(const Dispatch&)> act;
        std::string expected;
    };
    const Row rows[] = {
        {"method, reads with arguments, names in any case",
         [](const Dispatch& d) {
             d.call("aDD", {"a", 1.5});
             const std::string count = d.get("COUNT").asString();
             return count + "|" + Str(d.get("item", {"a"}).asDouble()) + "|" +
                    std::to_string(d.call("Exists", {"z"}).asBool());
         },
         "1|1.5|0"},
        {"property write: keys compared as text",
         [](const Dispatch& d) {
             d.put("CompareMode", 1);
             d.call("Add", {"Key", true});
             return d.get("Item", {"KEY"}).asString();
         },
         "True"},
        {"by-reference arguments",
         [](const Dispatch& d) {
             std::string key = "r";
             double value = 0.25;
             d.call("Add", {Arg::Ref(key), Arg::Ref(value)});
             return key + "|" + d.get("Item", {"r"}).asString();
         },
         "r|0.25"},
        {"text to numbers: '.' and half to even",
         [](const Dispatch& d) {
             d.call("Add", {"n", "12.5"});
             const double real = d.get("Item", {"n"}).asDouble();
             return Str(real) + "|" + std::to_string(d.get("Item", {"n"}).asInt());
         },
         "12.5|12"},
        {"upper bound of a returned array",
         [](const Dispatch& d) {
             const long empty = d.call("Keys").upperBound();
             d.call("Add", {"x", 1});
             d.call("Add", {"y", 2});
             return std::to_string(empty) + "|" + std::to_string(d.call("Keys").upperBound());
         },
         "-1|1"},
        {"an empty item is no object",
         [](const Dispatch& d) {
             return std::to_string(d.get("Item", {"missing"}).asObject().has_value());
         },
         "0"},
        {"duplicate key: the object's own error, raised without a text",
         [](const Dispatch& d) {
             d.call("Add", {"a", 1});
             return Failure([&] { d.call("Add", {"a", 2}); });
         },
         "457: This key is already associated with an element of this collection"},
        {"unknown member",
         [](const Dispatch& d) { return Failure([&] { d.call("Frobnicate", {1}); }); },
         "438: Object doesn't support this property or method: 'Frobnicate'"},
        {"wrong number of arguments",
         [](const Dispatch& d) { return Failure([&] { d.call("Add", {"x"}); }); },
         "450: Wrong number of arguments or invalid property assignment"},
        {"text that is no number",
         [](const Dispatch& d) {
             d.call("Add", {"s", "abc"});
             return Failure([&] { d.get("Item", {"s"}).asDouble(); });
         },
         "13: Type mismatch"},
        {"number too large for an integer",
         [](const Dispatch& d) {
             d.call("Add", {"big", 1e12});
             return Failure([&] { d.get("Item", {"big"}).asInt(); });
         },
         "6: Overflow"},
        {"bound of no array",
         [](const Dispatch& d) { return Failure([&] { d.get("Count").upperBound(); }); },
         "13: Type mismatch"},
        {"object of no object",
         [](const Dispatch& d) { return Failure([&] { d.get("Count").asObject(); }); },
         "424: Object required"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.act(Dispatch::Create("scripting.DICTIONARY")), row.expected);
    }
}

TEST_F(DictionaryTest, FactoryRaises429ForUnregisteredIdentifiers) {
    WinObjectFactory f;
    const std::string id = "Kov.NoSuchProgram";
    const std::function<void()> creators[] = {
        [&] { f.createAscomTelescope(id); }, [&] { f.createSkyTelescope(id); },
        [&] { f.createPlanetarium(id); },    [&] { f.createDriverUtil(id); },
        [&] { f.createChooser(id); },        [&] { f.createCcdCamera(id); },
        [&] { f.createCcdImage(id); },       [&] { f.createMaximApplication(id); },
    };
    for (const auto& create : creators) {
        EXPECT_EQ(Failure(create), "429: " + CannotCreate(id).description());
    }
    // A registered program of another kind is created; its first call says what is wrong.
    EXPECT_EQ(Failure([&] { f.createAscomTelescope("Scripting.Dictionary")->Name(); }),
              "438: Object doesn't support this property or method: 'Name'");
}

// Served by the test itself, so that what crosses the interface can be seen and counted.
TEST(ServedObjectTest, ByReferenceArgumentsComeBackAsTheCalleeLeftThem) {
    ServedObject object;
    object.answer("Fails", Raise(E_FAIL));
    double x = 1.5;
    int n = 2;
    bool b = true;
    std::string s = "id";
    Serve(object).call("Choose", {Arg::Ref(x), Arg::Ref(n), Arg::Ref(b), Arg::Ref(s), 7, "val"});
    EXPECT_EQ(Str(x) + "|" + std::to_string(n) + "|" + std::to_string(b) + "|" + s, "2.5|3|0|id!");
    // The callee's change reaches the caller also when the call fails.
    EXPECT_NE(Failure([&] { Serve(object).call("Fails", {Arg::Ref(s)}); }), "no error");
    EXPECT_EQ(s, "id!!");
    EXPECT_EQ(object.log, (std::vector<std::string>{"Choose(&1.5, &2, &true, &'id', 7, 'val')",
                                                    "Fails(&'id!')"}));
    EXPECT_EQ(object.references, 0);
}

TEST(ServedObjectTest, ErrorsCarryTheCalleesNumberAndText) {
    ASSERT_FALSE(SystemText(E_FAIL).empty());
    const auto itf = static_cast<HRESULT>(0x80040407u);  // an ASCOM driver's "not connected"
    const struct {
        const char* name;
        Answer answer;
        std::string expected;
    } rows[] = {
        {"program's own code and text", Exception(1005, 0, L"Camera not connected"),
         "1005: Camera not connected"},
        {"control code without text", Exception(0, static_cast<HRESULT>(0x800A01C9u), L""),
         "457: This key is already associated with an element of this collection"},
        {"interface code with text", Exception(0, itf, L"Not connected"),
         "-2147220473: Not connected"},
        {"interface code without text", Exception(0, itf, L""), "-2147220473: Automation error"},
        {"text filled in on request", Exception(0, E_FAIL, L"", true),
         "-2147467259: Filled in later"},
        {"code without a record", Raise(E_OUTOFMEMORY), "7: Out of memory"},
        {"system's text for a code", Raise(E_FAIL), "-2147467259: " + SystemText(E_FAIL)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ServedObject object;
        object.answer("Do", row.answer);
        EXPECT_EQ(Failure([&] { Serve(object).call("Do"); }), row.expected);
        EXPECT_EQ(object.references, 0);
    }
}

TEST(ServedObjectTest, NamesAreResolvedOncePerObjectType) {
    ServedObject first, second, loner;
    std::wstring name = L"Connect";  // the second object knows the name without being asked
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    second.GetIDsOfNames(IID_NULL, names, 1, 0, &id);

    Serve(first, "KOV.TEST.SHARED").call("Connect");
    Serve(first, "KOV.TEST.SHARED").call("CONNECT");
    Serve(second, "KOV.TEST.SHARED").call("connect");
    Serve(loner).call("Connect");
    EXPECT_EQ(first.nameLookups + second.nameLookups + loner.nameLookups, 3);
    EXPECT_EQ(second.log, std::vector<std::string>{"Connect()"});
}

// What each typed operation sends: the member, read or write, the arguments and which of them
// go by reference; what it makes of the answer; and that every reference taken is given back.
TEST(ServedObjectTest, AdaptersSendEachOperationAsItsMember) {
    struct Row {
        const char* name;
        std::function<void(ServedObject&)> script;
        std::function<std::string(const Dispatch&)> act;
        std::vector<std::string> sent;
        std::string result;
    };
    const Row rows[] = {
        {"slews take their coordinates by reference; TheSky's true is -1",
         [](ServedObject& o) { o.answer("IsSlewComplete", Gives(true)); },
         [](const Dispatch& d) {
             auto t = MakeSkyTelescope(d);
             t->SlewToRaDec(5.5, -40.25, "KovSkyMapper");
             t->SlewToAzAlt(180, 45, "KovSkyMapper");
             return std::to_string(t->IsSlewComplete());
         },
         {"SlewToRaDec(&5.5, &-40.25, 'KovSkyMapper')", "SlewToAzAlt(&180, &45, 'KovSkyMapper')",
          "IsSlewComplete()"},
         "-1"},
        {"image link takes scale and position by reference",
         [](ServedObject& o) { o.answer("dObjectRa", Gives(6.75)); },
         [](const Dispatch& d) {
             auto p = MakeSkyPlanetarium(d);
             p->ImageLink(1.75, 6.5, 20);
             p->GetObjectRaDec("Image Link Information");
             return Str(p->dObjectRa());
         },
         {"ImageLink(&1.75, &6.5, &20)", "GetObjectRaDec('Image Link Information')", "dObjectRa()"},
         "6.75"},
        {"chooser takes the current driver by reference",
         [](ServedObject& o) { o.answer("Choose", Gives(std::string("Gemini.Telescope"))); },
         [](const Dispatch& d) {
             auto c = MakeDriverChooser(d);
             c->SetDeviceType("Telescope");
             return c->Choose("ScopeSim.Telescope");
         },
         {"DeviceType = 'Telescope'", "Choose(&'ScopeSim.Telescope')"},
         "Gemini.Telescope"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ServedObject object;
        if (row.script) {
            row.script(object);
        }
        EXPECT_EQ(row.act(Serve(object)), row.result);
        EXPECT_EQ(object.log, row.sent);
        EXPECT_EQ(object.references, 0);
    }
}

// Every path gives back every reference it took: results, returned objects, copies, failures.
TEST(ServedObjectTest, ReferencesBalanceOnEveryPath) {
    ServedObject application;
    ServedObject& camera = application.child("CCDCamera");
    ServedObject& document = camera.child("Document");
    camera.answer("NoDocument", Gives(static_cast<IDispatch*>(nullptr)));
    document.answer("Copy", Exception(0, E_FAIL, L"Clipboard busy"));
    {
        const Dispatch app = Serve(application, "KOV.TEST.APP");
        const Dispatch cam = *app.get("CCDCamera").asObject();
        const Dispatch copy = cam;
        EXPECT_FALSE(copy.get("NoDocument").asObject().has_value());
        const auto doc = cam.get("Document").asObject();
        EXPECT_EQ(doc->typeKey(), "KOV.TEST.APP.CCDCAMERA.DOCUMENT");
        EXPECT_EQ(Failure([&] { doc->call("Copy"); }), "-2147467259: Clipboard busy");
        EXPECT_EQ(Failure([&] { cam.get("Document").asDouble(); }), "13: Type mismatch");
        EXPECT_GT(camera.references, 0);
    }
    EXPECT_EQ(application.references + camera.references + document.references, 0);
    EXPECT_EQ(document.log, std::vector<std::string>{"Copy()"});
}

}  // namespace
}  // namespace kov::win
