#include "win/dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "win/automation_errors.h"
#include "win/recording_object.h"

namespace kov::win {
namespace {

using test::RecordingObject;

std::string Text(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}
std::string Text(bool v) {
    return v ? "true" : "false";
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

class DictionaryTest : public ::testing::Test {
  protected:
    ComApartment apartment_;
};

// Wine's own Scripting.Dictionary, a real in-process automation object.
TEST_F(DictionaryTest, CallsReadsAndWritesByName) {
    struct Row {
        const char* name;
        std::function<std::string(const Dispatch&)> act;
        std::string expected;
    };
    const Row rows[] = {
        {"methods and reads with arguments",
         [](const Dispatch& d) {
             d.call("Add", {"a", 1.5});
             return Text(d.get("Count").asDouble()) + "|" + Text(d.get("Item", {"a"}).asDouble()) +
                    "|" + Text(d.call("Exists", {"a"}).asBool()) + "|" +
                    Text(d.call("Exists", {"z"}).asBool());
         },
         "1|1.5|true|false"},
        {"names match without regard to case",
         [](const Dispatch& d) {
             d.call("aDD", {"k", "v"});
             return d.get("iTEM", {"k"}).asString() + "|" + d.get("COUNT").asString();
         },
         "v|1"},
        {"property write: keys compared as text",
         [](const Dispatch& d) {
             d.put("CompareMode", 1);
             d.call("Add", {"Key", 2});
             return Text(d.call("Exists", {"KEY"}).asBool()) + "|" +
                    std::to_string(d.get("comparemode").asInt());
         },
         "true|1"},
        {"by-reference argument",
         [](const Dispatch& d) {
             std::string key = "r";
             double value = 0.25;
             d.call("Add", {Arg::Ref(key), Arg::Ref(value)});
             return key + "|" + d.get("Item", {"r"}).asString();
         },
         "r|0.25"},
        {"conversions use '.' and round half to even",
         [](const Dispatch& d) {
             d.call("Add", {"n", "12.5"});
             d.call("Add", {"t", true});
             return Text(d.get("Item", {"n"}).asDouble()) + "|" +
                    std::to_string(d.get("Item", {"n"}).asInt()) + "|" +
                    d.get("Item", {"t"}).asString();
         },
         "12.5|12|True"},
        {"upper bound of a returned array",
         [](const Dispatch& d) {
             const long empty = d.call("Keys").upperBound();
             d.call("Add", {"x", 1});
             d.call("Add", {"y", 2});
             d.call("Add", {"z", 3});
             return std::to_string(empty) + "|" + std::to_string(d.call("Keys").upperBound());
         },
         "-1|2"},
        {"an empty item is no object",
         [](const Dispatch& d) { return Text(d.get("Item", {"missing"}).asObject().has_value()); },
         "false"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Dispatch dictionary = Dispatch::Create("Scripting.Dictionary");
        EXPECT_EQ(row.act(dictionary), row.expected);
    }
}

TEST_F(DictionaryTest, FailuresRaiseNumberedErrors) {
    struct Row {
        const char* name;
        std::function<void(const Dispatch&)> act;
        std::string expected;
    };
    const Row rows[] = {
        {"duplicate key (the object's own error, raised without a description)",
         [](const Dispatch& d) {
             d.call("Add", {"a", 1});
             d.call("Add", {"a", 2});
         },
         "457: This key is already associated with an element of this collection"},
        {"unknown member", [](const Dispatch& d) { d.call("Frobnicate", {1}); },
         "438: Object doesn't support this property or method: 'Frobnicate'"},
        {"wrong number of arguments", [](const Dispatch& d) { d.call("Add", {"x"}); },
         "450: Wrong number of arguments or invalid property assignment"},
        {"text that is no number",
         [](const Dispatch& d) {
             d.call("Add", {"s", "abc"});
             d.get("Item", {"s"}).asDouble();
         },
         "13: Type mismatch"},
        {"number too large for an integer",
         [](const Dispatch& d) {
             d.call("Add", {"big", 1e12});
             d.get("Item", {"big"}).asInt();
         },
         "6: Overflow"},
        {"bound of something that is no array",
         [](const Dispatch& d) { d.get("Count").upperBound(); }, "13: Type mismatch"},
        {"object of something that is no object",
         [](const Dispatch& d) { d.get("Count").asObject(); }, "424: Object required"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Dispatch dictionary = Dispatch::Create("Scripting.Dictionary");
        EXPECT_EQ(Failure([&] { row.act(dictionary); }), row.expected);
    }
}

TEST_F(DictionaryTest, CreatesByIdentifierWithoutRegardToCase) {
    EXPECT_EQ(Dispatch::Create("scripting.DICTIONARY").get("Count").asInt(), 0);
    EXPECT_EQ(Failure([] { Dispatch::Create("Kov.NoSuchProgram"); }),
              "429: ActiveX component can't create object: 'Kov.NoSuchProgram' is not registered");
}

// Served by the test itself, so that what crosses the interface can be seen and counted.
TEST(ServedObjectTest, ByReferenceArgumentsComeBackAsTheCalleeLeftThem) {
    RecordingObject object;
    object.raises("Fails", E_FAIL);
    {
        const Dispatch d(ComPtr<IDispatch>::share(&object), "");
        double x = 1.5;
        int n = 2;
        bool b = true;
        std::string s = "id";
        d.call("Choose", {Arg::Ref(x), Arg::Ref(n), Arg::Ref(b), Arg::Ref(s), 7, "by value"});
        EXPECT_EQ(Text(x) + "|" + std::to_string(n) + "|" + Text(b) + "|" + s, "2.5|3|false|id!");
        // The callee's change reaches the caller also when the call fails.
        EXPECT_NE(Failure([&] { d.call("Fails", {Arg::Ref(s)}); }), "no error");
        EXPECT_EQ(s, "id!!");
    }
    const std::vector<std::string> expected = {"Choose(&1.5, &2, &true, &'id', 7, 'by value')",
                                               "Fails(&'id!')"};
    EXPECT_EQ(object.log, expected);
    EXPECT_EQ(object.references(), 0);
}

TEST(ServedObjectTest, ErrorsCarryTheCalleesNumberAndText) {
    struct Row {
        const char* name;
        std::function<void(RecordingObject&)> script;
        std::string expected;
    };
    const Row rows[] = {
        {"program's own code and text",
         [](RecordingObject& o) { o.raisesException("Do", 1005, 0, L"Camera not connected"); },
         "1005: Camera not connected"},
        {"control-facility code without text",
         [](RecordingObject& o) {
             o.raisesException("Do", 0, static_cast<HRESULT>(0x800A01C9u), L"");
         },
         "457: This key is already associated with an element of this collection"},
        {"driver's interface code with text",
         [](RecordingObject& o) {
             o.raisesException("Do", 0, static_cast<HRESULT>(0x80040407u), L"Not connected");
         },
         "-2147220473: Not connected"},
        {"driver's interface code without text",
         [](RecordingObject& o) {
             o.raisesException("Do", 0, static_cast<HRESULT>(0x80040407u), L"");
         },
         "-2147220473: Automation error"},
        {"text filled in on request",
         [](RecordingObject& o) { o.raisesException("Do", 0, E_FAIL, L"", true); },
         "-2147467259: Filled in later"},
        {"failure code without an exception record",
         [](RecordingObject& o) { o.raises("Do", E_OUTOFMEMORY); }, "7: Out of memory"},
        {"system's text for a code without a number of its own",
         [](RecordingObject& o) { o.raises("Do", E_FAIL); }, "-2147467259: " + SystemText(E_FAIL)},
        {"unknown name", [](RecordingObject& o) { o.unknown("Do"); },
         "438: Object doesn't support this property or method: 'Do'"},
    };
    ASSERT_FALSE(SystemText(E_FAIL).empty());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingObject object;
        row.script(object);
        {
            const Dispatch d(ComPtr<IDispatch>::share(&object), "");
            EXPECT_EQ(Failure([&] { d.call("Do"); }), row.expected);
        }
        EXPECT_EQ(object.references(), 0);
    }
}

TEST(ServedObjectTest, NamesAreResolvedOncePerObjectType) {
    RecordingObject first, second, loner;
    {
        // The second object of the type learns the name itself, but is never asked for it.
        DISPID id = 0;
        std::wstring name = L"Connect";
        LPOLESTR names[] = {name.data()};
        second.GetIDsOfNames(IID_NULL, names, 1, 0, &id);

        const Dispatch a(ComPtr<IDispatch>::share(&first), "KOV.TEST.SHAREDTYPE");
        const Dispatch b(ComPtr<IDispatch>::share(&second), "KOV.TEST.SHAREDTYPE");
        const Dispatch c(ComPtr<IDispatch>::share(&loner), "");
        a.call("Connect");
        a.call("CONNECT");
        b.call("connect");
        c.call("Connect");
        c.call("connect");
    }
    EXPECT_EQ(first.nameLookups(), 1);
    EXPECT_EQ(second.nameLookups(), 1);
    EXPECT_EQ(loner.nameLookups(), 1);
    EXPECT_EQ(second.log, std::vector<std::string>{"Connect()"});
}

// Every path gives back every reference it took: results, returned objects, copies, failures.
TEST(ServedObjectTest, ReferencesBalanceOnEveryPath) {
    RecordingObject application;
    RecordingObject& camera = application.returnsChild("CCDCamera");
    RecordingObject& document = camera.returnsChild("Document");
    camera.returnsBool("ImageReady", true);
    camera.answer("NoDocument", [](VARIANT* result, EXCEPINFO*) {
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = nullptr;
        return S_OK;
    });
    document.raisesException("Copy", 0, E_FAIL, L"Clipboard busy");
    {
        const Dispatch app(ComPtr<IDispatch>::share(&application), "KOV.TEST.APP");
        const Dispatch cam = *app.get("CCDCamera").asObject();
        const Dispatch copy = cam;
        EXPECT_TRUE(copy.get("ImageReady").asBool());
        EXPECT_FALSE(cam.get("NoDocument").asObject().has_value());
        const auto doc = cam.get("Document").asObject();
        EXPECT_EQ(doc->typeKey(), "KOV.TEST.APP.CCDCAMERA.DOCUMENT");
        EXPECT_EQ(Failure([&] { doc->call("Copy"); }), "-2147467259: Clipboard busy");
        EXPECT_EQ(Failure([&] { cam.get("Document").asDouble(); }), "13: Type mismatch");
        EXPECT_EQ(Failure([&] { app.get("CCDCamera").upperBound(); }), "13: Type mismatch");
        EXPECT_GT(camera.references(), 0);
    }
    EXPECT_EQ(application.references(), 0);
    EXPECT_EQ(camera.references(), 0);
    EXPECT_EQ(document.references(), 0);
}

}  // namespace
}  // namespace kov::win
