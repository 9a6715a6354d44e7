#include "win/served_observatory.h"

#include <functional>

#include "station/object_factory.h"

namespace kov::win::test {

namespace {

using Build = std::function<void(sim::Observatory&, ServedObject&, const std::string& progId)>;

void Serve(ServedObject& o, std::shared_ptr<AscomTelescope> t) {
    o.answer("Connected", Do([t](const Call&) { return t->Connected(); }));
    o.onPut("Connected", Do([t](const Call& c) { t->SetConnected(c.truth(0)); }));
    o.answer("Name", Do([t](const Call&) { return t->Name(); }));
    o.answer("CommandBool", Do([t](const Call& c) { return t->CommandBool(c.text(0)); }));
    o.answer("CommandString", Do([t](const Call& c) { return t->CommandString(c.text(0)); }));
    o.answer("CommandNative", Do([t](const Call& c) { return t->CommandNative(c.text(0)); }));
}

void Serve(ServedObject& o, std::shared_ptr<SkyTelescope> t) {
    o.answer("Connect", Do([t](const Call&) { t->Connect(); }));
    o.answer("Disconnect", Do([t](const Call&) { t->Disconnect(); }));
    o.answer("IsConnected", Do([t](const Call&) { return t->IsConnected(); }));
    o.onPut("Asynchronous", Do([t](const Call& c) { t->SetAsynchronous(c.truth(0)); }));
    o.answer("GetRaDec", Do([t](const Call&) { t->GetRaDec(); }));
    o.answer("dRA", Do([t](const Call&) { return t->dRA(); }));
    o.answer("dDec", Do([t](const Call&) { return t->dDec(); }));
    o.answer("GetAzAlt", Do([t](const Call&) { t->GetAzAlt(); }));
    o.answer("dAlt", Do([t](const Call&) { return t->dAlt(); }));
    o.answer("dAz", Do([t](const Call&) { return t->dAz(); }));
    o.answer("SlewToRaDec", Do([t](const Call& c) {
                 t->SlewToRaDec(c.byRef(0).real(0), c.byRef(1).real(1), c.text(2));
             }));
    o.answer("SlewToAzAlt", Do([t](const Call& c) {
                 t->SlewToAzAlt(c.byRef(0).real(0), c.byRef(1).real(1), c.text(2));
             }));
    o.answer("IsSlewComplete", Do([t](const Call&) { return t->IsSlewComplete(); }));
}

void Serve(ServedObject& o, std::shared_ptr<SkyPlanetarium> p) {
    o.answer("Connect", Do([p](const Call&) { p->Connect(); }));
    o.answer("Disconnect", Do([p](const Call&) { p->Disconnect(); }));
    o.answer("DisconnectTelescope", Do([p](const Call&) { p->DisconnectTelescope(); }));
    o.answer("ImageLink", Do([p](const Call& c) {
                 p->ImageLink(c.byRef(0).real(0), c.byRef(1).real(1), c.byRef(2).real(2));
             }));
    o.answer("GetObjectRaDec", Do([p](const Call& c) { p->GetObjectRaDec(c.text(0)); }));
    o.answer("dObjectRa", Do([p](const Call&) { return p->dObjectRa(); }));
    o.answer("dObjectDec", Do([p](const Call&) { return p->dObjectDec(); }));
}

void Serve(ServedObject& o, std::shared_ptr<DriverUtil> u) {
    o.answer("DMSToDegrees", Do([u](const Call& c) { return u->DMSToDegrees(c.text(0)); }));
    o.answer("DegreesToDMS", Do([u](const Call& c) {
                 return u->DegreesToDMS(c.real(0), c.text(1), c.text(2), c.text(3));
             }));
    o.answer("HoursToHMS", Do([u](const Call& c) {
                 return u->HoursToHMS(c.real(0), c.text(1), c.text(2), c.text(3));
             }));
}

void Serve(ServedObject& o, std::shared_ptr<DriverChooser> ch) {
    o.onPut("DeviceType", Do([ch](const Call& c) { ch->SetDeviceType(c.text(0)); }));
    o.answer("Choose", Do([ch](const Call& c) { return ch->Choose(c.byRef(0).text(0)); }));
}

void Serve(ServedObject& o, std::shared_ptr<CcdCamera> cam) {
    o.answer("Connect", Do([cam](const Call&) { cam->Connect(); }));
    o.answer("Disconnect", Do([cam](const Call&) { cam->Disconnect(); }));
    o.onPut("ExposureTime", Do([cam](const Call& c) { cam->SetExposureTime(c.real(0)); }));
    o.onPut("BinX", Do([cam](const Call& c) { cam->SetBinX(c.real(0)); }));
    o.onPut("BinY", Do([cam](const Call& c) { cam->SetBinY(c.real(0)); }));
    o.onPut("ImageReduction", Do([cam](const Call& c) { cam->SetImageReduction(c.whole(0)); }));
    o.onPut("Series", Do([cam](const Call& c) { cam->SetSeries(c.whole(0)); }));
    o.onPut("Delay", Do([cam](const Call& c) { cam->SetDelay(c.whole(0)); }));
    o.answer("AutoSaveOn", Do([cam](const Call&) { return cam->AutoSaveOn(); }));
    o.onPut("AutoSaveOn", Do([cam](const Call& c) { cam->SetAutoSaveOn(c.truth(0)); }));
    o.onPut("Asynchronous", Do([cam](const Call& c) { cam->SetAsynchronous(c.truth(0)); }));
    o.answer("TakeImage", Do([cam](const Call&) { cam->TakeImage(); }));
    o.answer("State", Do([cam](const Call&) { return cam->State(); }));
    o.answer("Status", Do([cam](const Call&) { return cam->Status(); }));
    o.answer("Abort", Do([cam](const Call&) { cam->Abort(); }));
    o.onPut("AutoSaveFileFormat",
            Do([cam](const Call& c) { cam->SetAutoSaveFileFormat(c.whole(0)); }));
}

void Serve(ServedObject& o, std::shared_ptr<CcdImage> im) {
    o.answer("AttachToActiveImager", Do([im](const Call&) { im->AttachToActiveImager(); }));
    o.answer("ScaleInArcsecondsPerPixel",
             Do([im](const Call&) { return im->ScaleInArcsecondsPerPixel(); }));
    o.onPut("ScaleInArcsecondsPerPixel",
            Do([im](const Call& c) { im->SetScaleInArcsecondsPerPixel(c.real(0)); }));
    o.answer("Path", Do([im](const Call&) { return im->Path(); }));
    o.onPut("Path", Do([im](const Call& c) { im->SetPath(c.text(0)); }));
    o.answer("Save", Do([im](const Call&) { im->Save(); }));
    o.answer("InsertWCS", Do([im](const Call& c) { im->InsertWCS(c.whole(0)); }));
    o.answer("WCSArray", [im](const Call& c, VARIANT* r, EXCEPINFO* x) {
        long bound = 0;
        const HRESULT hr =
            Do([&](const Call&) { bound = im->WCSArrayUpperBound(c.whole(0)); })(c, r, x);
        return FAILED(hr) ? hr : Array(bound + 1)(c, r, x);
    });
    o.answer("NorthAngle", Do([im](const Call&) { return im->NorthAngle(); }));
}

// MaxIm DL hands out its camera and the camera's document as objects of their own, served here
// each time they are asked for and owned by the object that handed them out.
void Serve(ServedObject& o, std::shared_ptr<MaximDocument> d);
void Serve(ServedObject& o, std::shared_ptr<MaximCamera> cam);

template <class T>
IDispatch* Child(ServedObject& parent, std::shared_ptr<T> object) {
    if (!object) {
        return nullptr;
    }
    ServedObject& child = parent.own(std::make_unique<ServedObject>());
    Serve(child, std::move(object));
    child.AddRef();
    return &child;
}

void Serve(ServedObject& o, std::shared_ptr<MaximDocument> d) {
    o.answer("SaveFile", Do([d](const Call& c) {
                 d->SaveFile(c.text(0), c.whole(1), c.truth(2), c.whole(3), c.truth(4));
             }));
    o.answer("Calibrate", Do([d](const Call&) { d->Calibrate(); }));
    o.answer("Copy", Do([d](const Call&) { d->Copy(); }));
}

void Serve(ServedObject& o, std::shared_ptr<MaximCamera> cam) {
    o.onPut("LinkEnabled", Do([cam](const Call& c) { cam->SetLinkEnabled(c.truth(0)); }));
    o.answer("BinX", Do([cam](const Call&) { return cam->BinX(); }));
    o.onPut("BinX", Do([cam](const Call& c) { cam->SetBinX(c.real(0)); }));
    o.onPut("BinY", Do([cam](const Call& c) { cam->SetBinY(c.real(0)); }));
    o.answer("Temperature", Do([cam](const Call&) { return cam->Temperature(); }));
    o.answer("Expose", Do([cam](const Call& c) { cam->Expose(c.real(0), c.whole(1)); }));
    o.answer("ImageReady", Do([cam](const Call&) { return cam->ImageReady(); }));
    o.answer("AbortExposure", Do([cam](const Call&) { cam->AbortExposure(); }));
    o.answer("Document", Do([cam, &o](const Call&) { return Child(o, cam->Document()); }));
}

void Serve(ServedObject& o, std::shared_ptr<MaximApplication> app) {
    o.answer("CCDCamera", Do([app, &o](const Call&) { return Child(o, app->CCDCamera()); }));
    o.answer("CalClear", Do([app](const Call&) { app->CalClear(); }));
    o.answer("CalAddDark", Do([app](const Call& c) { app->CalAddDark(c.text(0)); }));
    o.answer("CalSet", Do([app](const Call&) { app->CalSet(); }));
}

// How each identifier's object is made: the simulator's factory member for its kind.
template <auto Create>
Build Kind() {
    return [](sim::Observatory& sim, ServedObject& o, const std::string& progId) {
        Serve(o, (sim.factory().*Create)(progId));
    };
}

const std::vector<std::pair<std::string, Build>>& Identifiers() {
    static const std::vector<std::pair<std::string, Build>> ids = {
        {progid::kTheSky5, Kind<&ObjectFactory::createPlanetarium>()},
        {progid::kTheSky6, Kind<&ObjectFactory::createPlanetarium>()},
        {progid::kTele5, Kind<&ObjectFactory::createSkyTelescope>()},
        {progid::kTele6, Kind<&ObjectFactory::createSkyTelescope>()},
        {progid::kGemini, Kind<&ObjectFactory::createAscomTelescope>()},
        {progid::kUtil, Kind<&ObjectFactory::createDriverUtil>()},
        {progid::kChooser, Kind<&ObjectFactory::createChooser>()},
        {progid::kCcdCamera, Kind<&ObjectFactory::createCcdCamera>()},
        {progid::kCcdImage, Kind<&ObjectFactory::createCcdImage>()},
        {progid::kMaxim, Kind<&ObjectFactory::createMaximApplication>()},
    };
    return ids;
}

// Under Wine the identifiers must sit under HKLM's classes: those under HKCU are not seen.
std::wstring ClassKey(const std::string& progId) {
    return L"Software\\Classes\\" + Widen(progId);
}

}  // namespace

// Makes one identifier's objects; it and the objects it made live as long as the observatory.
class ServedObservatory::Factory : public IClassFactory {
  public:
    Factory(sim::Observatory& sim, std::string progId, Build build, int index)
        : sim_(sim), progId_(std::move(progId)), build_(std::move(build)) {
        clsid_ = {0x6b6f7600, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, static_cast<BYTE>(index)}};
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(progId_).c_str());
        wchar_t text[40];
        StringFromGUID2(clsid_, text, 40);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, (ClassKey(progId_) + L"\\CLSID").c_str(), nullptr,
                        REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
        CoRegisterClassObject(clsid_, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
        registration_ = references_;  // the class table's own, given back at the revoke
    }
    ~Factory() {
        CoRevokeClassObject(cookie_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(progId_).c_str());
    }
    long held() const { return references_ - registration_ + objects_.held(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            return *object = nullptr, E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        auto served = std::make_unique<ServedObject>();
        try {
            build_(sim_, *served, progId_);
        } catch (const AutomationError&) {
            return CO_E_SERVER_EXEC_FAILURE;  // a program the night marks missing
        }
        return objects_.own(std::move(served)).QueryInterface(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    sim::Observatory& sim_;
    std::string progId_;
    Build build_;
    CLSID clsid_;
    DWORD cookie_ = 0;
    long references_ = 0;
    long registration_ = 0;
    ServedObject objects_;  // owns what was made; never handed out itself
};

ServedObservatory::ServedObservatory(sim::Observatory& sim) {
    int index = 0;
    for (const auto& [progId, build] : Identifiers()) {
        factories_.push_back(std::make_unique<Factory>(sim, progId, build, ++index));
    }
}

ServedObservatory::~ServedObservatory() = default;

long ServedObservatory::held() const {
    long n = 0;
    for (const auto& f : factories_) {
        n += f->held();
    }
    return n;
}

}  // namespace kov::win::test
