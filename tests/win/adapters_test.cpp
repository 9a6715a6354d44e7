#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "win/recording_object.h"
#include "win/win_adapters.h"
#include "win/win_object_factory.h"

namespace kov::win {
namespace {

using test::RecordingObject;

std::string Text(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

Dispatch Serve(RecordingObject& object) {
    return Dispatch(ComPtr<IDispatch>::share(&object), "");
}

// What each typed operation sends: the member, read or write, the arguments and which of them
// go by reference; and what it makes of the answer.
TEST(AdaptersTest, EachOperationSendsItsMember) {
    struct Row {
        const char* name;
        std::function<void(RecordingObject&)> script;
        std::function<std::string(const Dispatch&)> act;
        std::vector<std::string> sent;
        std::string result;
    };
    const Row rows[] = {
        {"ASCOM driver connects by property write, then reads it back",
         nullptr,
         [](const Dispatch& d) {
             auto t = MakeAscomTelescope(d);
             t->SetConnected(true);
             return std::to_string(t->Connected());
         },
         {"Connected = true", "Connected()"},
         "0"},
        {"Gemini command through the passthrough",
         [](RecordingObject& o) { o.returnsText("CommandNative", "  1.5;2.25#"); },
         [](const Dispatch& d) { return MakeAscomTelescope(d)->CommandNative("<201:"); },
         {"CommandNative('<201:')"},
         "  1.5;2.25#"},
        {"slew takes its coordinates by reference",
         nullptr,
         [](const Dispatch& d) {
             MakeSkyTelescope(d)->SlewToRaDec(5.5, -40.25, "KovSkyMapper");
             MakeSkyTelescope(d)->SlewToAzAlt(180, 45, "KovSkyMapper");
             return std::string();
         },
         {"SlewToRaDec(&5.5, &-40.25, 'KovSkyMapper')", "SlewToAzAlt(&180, &45, 'KovSkyMapper')"},
         ""},
        {"position read: method, then properties",
         [](RecordingObject& o) {
             o.returns("dRA", 12.5);
             o.returns("dDec", -3.25);
         },
         [](const Dispatch& d) {
             auto t = MakeSkyTelescope(d);
             t->SetAsynchronous(false);
             t->GetRaDec();
             const double ra = t->dRA();
             return Text(ra) + "|" + Text(t->dDec());
         },
         {"Asynchronous = false", "GetRaDec()", "dRA()", "dDec()"},
         "12.5|-3.25"},
        {"TheSky's true is a whole number",
         [](RecordingObject& o) { o.returnsBool("IsSlewComplete", true); },
         [](const Dispatch& d) { return std::to_string(MakeSkyTelescope(d)->IsSlewComplete()); },
         {"IsSlewComplete()"},
         "-1"},
        {"image link takes scale and position by reference",
         [](RecordingObject& o) { o.returns("dObjectRa", 6.75); },
         [](const Dispatch& d) {
             auto p = MakeSkyPlanetarium(d);
             p->ImageLink(1.75, 6.5, 20);
             p->GetObjectRaDec("Image Link Information");
             return Text(p->dObjectRa());
         },
         {"ImageLink(&1.75, &6.5, &20)", "GetObjectRaDec('Image Link Information')", "dObjectRa()"},
         "6.75"},
        {"chooser takes the current driver by reference",
         [](RecordingObject& o) { o.returnsText("Choose", "Gemini.Telescope"); },
         [](const Dispatch& d) {
             auto c = MakeDriverChooser(d);
             c->SetDeviceType("Telescope");
             return c->Choose("ScopeSim.Telescope");
         },
         {"DeviceType = 'Telescope'", "Choose(&'ScopeSim.Telescope')"},
         "Gemini.Telescope"},
        {"utilities pass every separator",
         [](RecordingObject& o) { o.returnsText("DegreesToDMS", "+40:15:00"); },
         [](const Dispatch& d) { return MakeDriverUtil(d)->DegreesToDMS(40.25, ":", ":", ""); },
         {"DegreesToDMS(40.25, ':', ':', '')"},
         "+40:15:00"},
        {"CCDSoft settings are property writes",
         nullptr,
         [](const Dispatch& d) {
             auto c = MakeCcdCamera(d);
             c->SetExposureTime(2.5);
             c->SetBinX(2);
             c->SetImageReduction(1);
             c->SetAutoSaveOn(false);
             c->TakeImage();
             return std::string();
         },
         {"ExposureTime = 2.5", "BinX = 2", "ImageReduction = 1", "AutoSaveOn = false",
          "TakeImage()"},
         ""},
        {"star count is the upper bound of WCSArray",
         [](RecordingObject& o) { o.returnsArray("WCSArray", 38); },
         [](const Dispatch& d) {
             auto i = MakeCcdImage(d);
             i->InsertWCS(0);
             return std::to_string(i->WCSArrayUpperBound(0));
         },
         {"InsertWCS(0)", "WCSArray(0)"},
         "37"},
        {"MaxIm DL: camera, exposure and no document yet",
         [](RecordingObject& o) { o.returnsChild("CCDCamera"); },
         [](const Dispatch& d) {
             auto app = MakeMaximApplication(d);
             auto camera = app->CCDCamera();
             camera->Expose(1.5, 1);
             app->CalAddDark("C:\\KOVAutoDark.fit");
             return std::string(camera->Document() ? "document" : "no document");
         },
         {"CCDCamera()", "CalAddDark('C:\\KOVAutoDark.fit')"},
         "no document"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingObject object;
        if (row.script) {
            row.script(object);
        }
        EXPECT_EQ(row.act(Serve(object)), row.result);
        EXPECT_EQ(object.log, row.sent);
        EXPECT_EQ(object.references(), 0);
    }
}

TEST(AdaptersTest, ReturnedObjectsAreDrivenThemselves) {
    RecordingObject application;
    RecordingObject& camera = application.returnsChild("CCDCamera");
    RecordingObject& document = camera.returnsChild("Document");
    {
        auto app = MakeMaximApplication(Serve(application));
        auto cam = app->CCDCamera();
        cam->SetLinkEnabled(true);
        cam->Expose(0.5, 0);
        auto doc = cam->Document();
        doc->SaveFile(".\\KOV_Imagelink.fit", 3, false, 1, false);
        doc->Copy();
    }
    EXPECT_EQ(camera.log,
              (std::vector<std::string>{"LinkEnabled = true", "Expose(0.5, 0)", "Document()"}));
    EXPECT_EQ(document.log, (std::vector<std::string>{
                                "SaveFile('.\\KOV_Imagelink.fit', 3, false, 1, false)", "Copy()"}));
    EXPECT_EQ(application.references() + camera.references() + document.references(), 0);
}

class FactoryTest : public ::testing::Test {
  protected:
    ComApartment apartment_;
    WinObjectFactory factory_;
};

TEST_F(FactoryTest, UnregisteredIdentifierRaises429) {
    const std::vector<std::function<void(ObjectFactory&, const std::string&)>> creators = {
        [](ObjectFactory& f, const std::string& id) { f.createAscomTelescope(id); },
        [](ObjectFactory& f, const std::string& id) { f.createSkyTelescope(id); },
        [](ObjectFactory& f, const std::string& id) { f.createPlanetarium(id); },
        [](ObjectFactory& f, const std::string& id) { f.createDriverUtil(id); },
        [](ObjectFactory& f, const std::string& id) { f.createChooser(id); },
        [](ObjectFactory& f, const std::string& id) { f.createCcdCamera(id); },
        [](ObjectFactory& f, const std::string& id) { f.createCcdImage(id); },
        [](ObjectFactory& f, const std::string& id) { f.createMaximApplication(id); },
    };
    for (std::size_t i = 0; i < creators.size(); ++i) {
        SCOPED_TRACE("creator " + std::to_string(i));
        try {
            creators[i](factory_, progid::kTheSky6);
            ADD_FAILURE() << "created an object that is not registered";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), kErrCannotCreate);
            EXPECT_EQ(e.description(), CannotCreate(progid::kTheSky6).description());
        }
    }
}

// A registered program of the wrong kind is created; its first call says what is wrong.
TEST_F(FactoryTest, ProgramOfAnotherKindFailsAtItsFirstCall) {
    auto telescope = factory_.createAscomTelescope("Scripting.Dictionary");
    try {
        telescope->SetConnected(true);
        ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 438);
    }
}

}  // namespace
}  // namespace kov::win
