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

// Runs an action and gives "number: description" of what it raised.
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

// Wine's own Scripting.Dictionary, a real in-process automation object. Each row gets a new one
// and gives what it read (numbers as texts), or "number: description" of what it raised.
TEST(DictionaryTest, CallsByNameAndRaisesNumberedErrors) {
    const ComApartment apartment;
    using Act = std::function<std::string(const Dispatch&)>;
    const std::pair<Act, std::string> rows[] = {
        {[](const Dispatch& d) {  // names in any case; a write changes how keys compare
             d.put("CompareMode", 1);
             d.call("aDD", {"Key", 1.5});
             return d.get("COUNT").asString() + "|" + d.get("item", {"KEY"}).asString() + "|" +
                    std::to_string(d.call("Exists", {"z"}).asBool());
         },
         "1|1.5|0"},
        {[](const Dispatch& d) {  // a text read as numbers: "." and half to even; no object
             d.call("Add", {"n", "12.5"});
             return std::to_string(d.get("Item", {"n"}).asDouble()) + "|" +
                    std::to_string(d.get("Item", {"n"}).asInt()) + "|" +
                    std::to_string(d.get("Item", {"none"}).asObject().has_value());
         },
         "12.500000|12|0"},
        {[](const Dispatch& d) {  // the upper bound of returned arrays
             const long empty = d.call("Keys").upperBound();
             d.call("Add", {"x", 1});
             d.call("Add", {"y", 2});
             return std::to_string(empty) + "|" + std::to_string(d.call("Keys").upperBound());
         },
         "-1|1"},
        {[](const Dispatch& d) { return Failure([&] { d.call("Frobnicate", {1}); }); },
         "438: Object doesn't support this property or method: 'Frobnicate'"},
        {[](const Dispatch& d) { return Failure([&] { d.call("Add", {"x"}); }); },
         "450: Wrong number of arguments or invalid property assignment"},
        {[](const Dispatch& d) {
             d.call("Add", {"s", "abc"});
             return Failure([&] { d.get("Item", {"s"}).asDouble(); });
         },
         "13: Type mismatch"},
        {[](const Dispatch& d) {
             d.call("Add", {"big", 1e12});
             return Failure([&] { d.get("Item", {"big"}).asInt(); });
         },
         "6: Overflow"},
        {[](const Dispatch& d) { return Failure([&] { d.get("Count").upperBound(); }); },
         "13: Type mismatch"},
        {[](const Dispatch& d) { return Failure([&] { d.get("Count").asObject(); }); },
         "424: Object required"},
    };
    for (const auto& [act, expected] : rows) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(act(Dispatch::Create("scripting.DICTIONARY")), expected);
    }
    // Unregistered: 429 (every creator goes through Dispatch::Create). Registered but of another
    // kind: its first call says.
    WinObjectFactory f;
    EXPECT_EQ(Failure([&] { f.createCcdCamera("Kov.NoSuchProgram"); }),
              "429: " + CannotCreate("Kov.NoSuchProgram").description());
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
    EXPECT_EQ(std::to_string(x) + "|" + std::to_string(n) + "|" + std::to_string(b) + "|" + s,
              "2.500000|3|0|id!");
    // The callee's change reaches the caller also when the call fails.
    EXPECT_NE(Failure([&] { Serve(object).call("Fails", {Arg::Ref(s)}); }), "no error");
    EXPECT_EQ(s, "id!!");
    EXPECT_EQ(object.log, (std::vector<std::string>{"Choose(&1.5, &2, &True, &'id', 7, 'val')",
                                                    "Fails(&'id!')"}));
    EXPECT_EQ(object.references, 0);
}

TEST(ServedObjectTest, ErrorsCarryTheCalleesNumberAndText) {
    ASSERT_FALSE(SystemText(E_FAIL).empty());
    const auto itf = static_cast<HRESULT>(0x80040407u);  // an ASCOM driver's "not connected"
    const std::pair<Answer, std::string> rows[] = {
        {Exception(1005, 0, L"Camera not connected"), "1005: Camera not connected"},
        {Exception(0, static_cast<HRESULT>(0x800A01C9u), L""),
         "457: This key is already associated with an element of this collection"},
        {Exception(0, itf, L"Not connected"), "-2147220473: Not connected"},
        {Exception(0, itf, L""), "-2147220473: Automation error"},
        {Exception(0, E_FAIL, L"", true), "-2147467259: Filled in later"},
        {Raise(E_OUTOFMEMORY), "7: Out of memory"},
        {Raise(E_FAIL), "-2147467259: " + SystemText(E_FAIL)},
    };
    for (const auto& [answer, expected] : rows) {
        SCOPED_TRACE(expected);
        ServedObject object;
        object.answer("Do", answer);
        EXPECT_EQ(Failure([&] { Serve(object).call("Do"); }), expected);
        EXPECT_EQ(object.references, 0);
    }
}

TEST(ServedObjectTest, NamesAreResolvedOncePerObjectType) {
    ServedObject first, second, loner;
    Serve(first, "KOV.TEST.SHARED").call("Connect");
    Serve(first, "KOV.TEST.SHARED").call("CONNECT");
    Serve(second, "KOV.TEST.SHARED").call("connect");
    Serve(loner).call("Connect");
    EXPECT_EQ(first.nameLookups + second.nameLookups + loner.nameLookups, 2);
    EXPECT_EQ(second.log, std::vector<std::string>{"Connect()"});
}

// Every path gives back every reference it took: results, returned objects, copies, failures.
TEST(ServedObjectTest, ReferencesBalanceOnEveryPath) {
    ServedObject application;
    ServedObject& camera = application.child("CCDCamera");
    ServedObject& document = camera.child("Document");
    camera.answer("NoDocument", Do([](const Call&) { return static_cast<IDispatch*>(nullptr); }));
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
    EXPECT_EQ(application.held(), 0);
    EXPECT_EQ(document.log, std::vector<std::string>{"Copy()"});
}

}  // namespace
}  // namespace kov::win
